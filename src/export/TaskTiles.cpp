// Reading a task's files from disk: the task file's keys, the tile folder's names and
// the failed-tile file's records.
#include "export/TaskTiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/LineFile.h"
#include "common/Paths.h"
#include "task/FailedRecord.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"

namespace kartovel {

namespace {

// The largest zoom whose grid size still fits a signed 32-bit column number.
constexpr int32_t kMaxGridZoom = 30;
// What a missing key reads as: a zoom no tile name carries, and an empty range.
constexpr int32_t kNoZoom = -1;
// The zoom levels the main window's spinner offers, the only ones a task is started at.
constexpr int32_t kFirstStartZoom = 1;
constexpr int32_t kLastStartZoom = 19;

// A number as the task writes it into names: decimal, no sign but "-", no leading zero.
std::optional<int32_t> ParseDecimal(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || std::to_string(value) != text) {
    return std::nullopt;
  }
  return value;
}

// Takes the text up to the next "_" off the front of rest.
std::string_view TakeField(std::string_view& rest) {
  const size_t bar = rest.find('_');
  const std::string_view field = rest.substr(0, bar);
  rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  return field;
}

}  // namespace

int64_t TaskTiles::TotalCount() const {
  if (Shaped) {
    return Shaped->CoveredCount();
  }
  if (Range.MaxX < Range.MinX || Range.MaxY < Range.MinY) {
    return 0;
  }
  return Range.Count();
}

bool TaskTiles::InGrid(int64_t x, int64_t y) const {
  if (Range.Zoom < 0 || Range.Zoom > kMaxGridZoom) {
    return false;
  }
  const int64_t gridSize = int64_t{1} << Range.Zoom;
  return x >= Range.MinX && x <= Range.MaxX && y >= Range.MinY && y <= Range.MaxY && x >= 0 &&
         x < gridSize && y >= 0 && y < gridSize;
}

bool TaskTiles::Holds(int64_t x, int64_t y) const {
  return InGrid(x, y) &&
         (!Shaped || Shaped->Holds(static_cast<int32_t>(x), static_cast<int32_t>(y)));
}

namespace {

// A shaped task's coverage, as its run computed it; a shape edited by hand throws with
// the file named.
void CoverShape(TaskTiles& task) {
  const std::optional<Shape> shape = ReadTaskShape(task.TaskFile);
  const TileRange& range = task.Range;
  if (!shape || range.Zoom < 0 || range.Zoom > kMaxGridZoom || task.TotalCount() == 0) {
    return;
  }
  task.Shaped = ShapedTaskCoverage(*shape, task.MapsType, range);
}

}  // namespace

TaskTiles ReadTaskTiles(const std::string& taskFile) {
  if (!FileExists(taskFile)) {
    throw CannotOpenFile(taskFile);
  }
  TaskTiles task;
  task.TaskFile = taskFile;
  task.Saved = ReadTaskFile(taskFile);
  const TaskFileValues& saved = task.Saved.Values;
  task.MapsType = saved.MapsType.value_or(0);
  task.Range.Zoom = saved.Zoom.value_or(kNoZoom);
  task.Range.MinX = saved.MinX.value_or(0);
  task.Range.MinY = saved.MinY.value_or(0);
  task.Range.MaxX = saved.MaxX.value_or(-1);
  task.Range.MaxY = saved.MaxY.value_or(-1);
  // The run's files lie beside the task file and take its name without the extension.
  const std::string base = ExtractFilePath(taskFile) + RemoveFileExt(ExtractFileName(taskFile));
  task.TileFolder = base + kPathSeparator;
  task.FailedFile = base + "_failed.ftl";
  task.Naming = BuiltInTileNameKind(task.MapsType);
  task.FirstZoom = kFirstStartZoom;
  task.LastZoom = kLastStartZoom;
  // A map source's task names its tiles as the copy of the source in the task file says.
  const SourceReading reading = ReadTaskMapSource(taskFile, "");
  if (const std::optional<MapSource>& source = reading.Source;
      source && source->MapsType == task.MapsType) {
    task.Naming.Prefix = source->Prefix;
    task.Naming.Extension = source->Extension;
    task.Attribution = source->Attribution;
    if (!IsBuiltIn(*source)) {
      task.FirstZoom = std::max(source->MinZoom, kFirstStartZoom);
      task.LastZoom = std::min(source->MaxZoom, kLastStartZoom);
    }
  }
  task.SourceFault = reading.Source ? "" : reading.Fault;
  CoverShape(task);
  return task;
}

std::string UnwrittenTaskFault(const TaskTiles& task) {
  if (!task.SourceFault.empty()) {
    return task.SourceFault;
  }
  if (std::string fault = TaskFileFault(task.Saved); !fault.empty()) {
    return fault;
  }
  const TileRange& range = task.Range;
  if (range.Zoom < task.FirstZoom || range.Zoom > task.LastZoom) {
    return "zoom level " + std::to_string(range.Zoom) + " is not one of its map type's, " +
           std::to_string(task.FirstZoom) + " to " + std::to_string(task.LastZoom);
  }
  const int64_t gridSize = int64_t{1} << range.Zoom;
  if (range.MinX < 0 || range.MinX > range.MaxX || range.MaxX > gridSize || range.MinY < 0 ||
      range.MinY > range.MaxY || range.MaxY >= gridSize) {
    return "the tile range (columns " + std::to_string(range.MinX) + " to " +
           std::to_string(range.MaxX) + ", rows " + std::to_string(range.MinY) + " to " +
           std::to_string(range.MaxY) + ") lies outside the grid of zoom level " +
           std::to_string(range.Zoom);
  }
  return "";
}

TaskTiles ReadSoundTaskTiles(const std::string& taskFile) {
  TaskTiles task = ReadTaskTiles(taskFile);
  if (const std::string fault = UnwrittenTaskFault(task); !fault.empty()) {
    throw AppError(TaskFileRefusal(taskFile, fault));
  }
  return task;
}

std::optional<std::pair<int32_t, int32_t>> ParseTileFileName(std::string_view name,
                                                             const TileNameKind& naming,
                                                             int32_t zoom) {
  const size_t head = naming.Prefix.size() + 1;
  const size_t tail = naming.Extension.size() + 1;
  if (naming.Prefix.empty() || name.size() <= head + tail ||
      name.substr(0, head - 1) != naming.Prefix || name[head - 1] != '_' ||
      name.substr(name.size() - tail + 1) != naming.Extension || name[name.size() - tail] != '.') {
    return std::nullopt;
  }
  std::string_view rest = name.substr(head, name.size() - head - tail);
  const auto x = ParseDecimal(TakeField(rest));
  const auto y = ParseDecimal(TakeField(rest));
  const auto nameZoom = ParseDecimal(rest);
  if (!x || !y || nameZoom != zoom) {
    return std::nullopt;
  }
  return std::pair{*x, *y};
}

bool ForEachTileFile(const TaskTiles& task, const std::function<bool(const TileFile&)>& visit) {
  std::error_code error;
  std::filesystem::directory_iterator entries(task.TileFolder, error);
  if (error) {
    return true;
  }
  TileFile tile;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    const auto position = ParseTileFileName(name, task.Naming, task.Range.Zoom);
    if (!position || !task.Holds(position->first, position->second)) {
      continue;
    }
    tile.Tile = TileId{task.Range.Zoom, position->first, position->second};
    tile.Path = task.TileFolder + name;
    if (!visit(tile)) {
      return false;
    }
  }
  return true;
}

FailedTiles ReadFailedTiles(const TaskTiles& task) {
  FailedTiles failed;
  struct stat info {};
  if (stat(task.FailedFile.c_str(), &info) != 0) {
    return failed;
  }
  failed.SavedAt = info.st_mtim;
  for (const std::string& line : ReadLines(task.FailedFile)) {
    failed.Names.insert(ExtractFileName(SplitFailedRecord(line).TilePath));
  }
  return failed;
}

}  // namespace kartovel
