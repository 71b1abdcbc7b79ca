// Deciding which records of a failed-tile file may be fetched and written.
#include "task/FailedFileScope.h"

#include <string_view>
#include <system_error>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskName.h"
#include "task/Unitclasstask.h"

namespace kartovel {

namespace {

namespace fs = std::filesystem;

// The map type of every task file that does not name one.
constexpr int32_t kDefaultMapsType = 3;
// Read in place of a missing zoom; no task has it, since zooms run from 0 to 30.
constexpr int32_t kNoZoom = -1;

// The kind of the task's tile names: a map source's own prefix and extension, else those
// of its built-in map type, and its zoom.
TileNameKind KindOfTask(const std::string& taskFileName) {
  const TaskFileReading reading = ReadTaskFile(taskFileName);
  if (!reading.Exists) {
    return BuiltInTileNameKind(kDefaultMapsType);
  }
  TileNameKind kind = BuiltInTileNameKind(reading.Values.MapsType.value_or(kDefaultMapsType));
  // A map source's task names its tiles as the copy of the source in the task file says.
  if (const std::optional<MapSource> source = ReadTaskMapSource(taskFileName, "").Source) {
    kind.Prefix = source->Prefix;
    kind.Extension = source->Extension;
  }
  const int32_t zoom = reading.Values.Zoom.value_or(kNoZoom);
  if (zoom != kNoZoom) {
    kind.Zoom = zoom;
  }
  return kind;
}

bool IsHttpUrl(std::string_view url) {
  const auto colon = url.find("://");
  if (colon == std::string_view::npos) {
    return false;
  }
  const std::string_view scheme = url.substr(0, colon);
  return EqualsIgnoringCase(scheme, "http") || EqualsIgnoringCase(scheme, "https");
}

std::string SkippedLine(const std::string& tilePath, const std::string& reason) {
  return "Skipped \"" + tilePath + "\": " + reason + ".";
}

}  // namespace

FailedFileScope::FailedFileScope(const std::string& failedFileName) {
  const std::string name = ExtractFileName(failedFileName);
  if (!name.ends_with(kFailedFileSuffix)) {
    throw AppError(failedFileName +
                   " is not the failed-tile file of a task: its name does not end in " +
                   kFailedFileSuffix);
  }
  const std::string base = name.substr(0, name.size() - std::string_view(kFailedFileSuffix).size());
  const std::string folder = ExtractFilePath(failedFileName);
  const std::string taskFileName = base + kTaskFileExtension;
  if (const auto fault = TaskFilePathFault(folder + taskFileName)) {
    throw AppError("The records of " + failedFileName + " are not used. " + *fault);
  }
  std::error_code error;
  const fs::path absoluteFolder = fs::absolute(folder.empty() ? "." : folder, error);
  const fs::path resolvedFolder = error ? fs::path() : fs::weakly_canonical(absoluteFolder, error);
  if (error) {
    throw CannotOpenFile(failedFileName);
  }
  // The tile folder's own name is not resolved: a tile folder that is a link to elsewhere
  // resolves to another place than this, and its records are skipped.
  tileFolder_ = resolvedFolder / base;
  kind_ = KindOfTask(folder + taskFileName);
}

std::optional<std::string> FailedFileScope::Refusal(const FailedRecord& record) const {
  if (auto refusal = PathRefusal(record.TilePath)) {
    return refusal;
  }
  const std::string name = fs::path(record.TilePath).filename().string();
  if (!IsTileName(name, kind_)) {
    return SkippedLine(record.TilePath,
                       name + " is not a tile name of its task (" + TileNamePattern(kind_) + ")");
  }
  if (!IsHttpUrl(record.TileUrl)) {
    return SkippedLine(record.TilePath, "its URL \"" + record.TileUrl + "\" is not http or https");
  }
  return std::nullopt;
}

std::optional<std::string> FailedFileScope::PathRefusal(const std::string& tilePath) const {
  if (!tilePath.empty()) {
    // Every link and ".." resolved, the file itself included, the record must name the
    // tile folder and the very file name it gives. A dangling link is not resolved and
    // would be written through, so neither the folder nor the file may be one.
    const fs::path named(tilePath);
    std::error_code error;
    const fs::path absolute = fs::absolute(named, error);
    const fs::path resolved = error ? fs::path() : fs::weakly_canonical(absolute, error);
    if (!error && resolved.parent_path() == tileFolder_ &&
        resolved.filename() == named.filename() &&
        !fs::is_symlink(fs::symlink_status(tileFolder_, error)) &&
        !fs::is_symlink(fs::symlink_status(resolved, error))) {
      return std::nullopt;
    }
  }
  return SkippedLine(tilePath, "it lies outside the tile folder " + tileFolder_.string() + "/");
}

}  // namespace kartovel
