// The MBTiles export: metadata from the tasks, then every tile file in batches.
#include "export/MbtilesExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

#include "common/Error.h"
#include "common/NumberFormat.h"
#include "common/Paths.h"
#include "export/MbtilesWriter.h"
#include "geometry/Commonfunc.h"
#include "task/Unitclasstask.h"

namespace kartovel {

namespace {

// The extent of a task's tiles inside the grid, in degrees.
struct Extent {
  double West = 0;
  double South = 0;
  double East = 0;
  double North = 0;
};

std::optional<Extent> ExtentOf(const TaskTiles& task) {
  if (task.TotalCount() == 0 || !task.Holds(std::max(task.MinX, 0), std::max(task.MinY, 0))) {
    return std::nullopt;
  }
  const int64_t last = (int64_t{1} << task.Zoom) - 1;
  const double firstX = std::max(task.MinX, 0);
  const double lastX = std::min<int64_t>(task.MaxX, last);
  const double firstY = std::max(task.MinY, 0);
  const double lastY = std::min<int64_t>(task.MaxY, last);
  return Extent{TileXToLongitude(firstX, task.Zoom), TileYToLatitude(lastY + 1, task.Zoom, false),
                TileXToLongitude(lastX + 1, task.Zoom), TileYToLatitude(firstY, task.Zoom, false)};
}

// The area every task covers (so every zoom level has data there); the area of all
// tasks when they do not overlap.
std::optional<Extent> BoundsOf(const std::vector<TaskTiles>& tasks) {
  std::optional<Extent> common;
  std::optional<Extent> all;
  for (const TaskTiles& task : tasks) {
    const auto extent = ExtentOf(task);
    if (!extent) {
      continue;
    }
    if (!all) {
      common = all = extent;
      continue;
    }
    all = Extent{std::min(all->West, extent->West), std::min(all->South, extent->South),
                 std::max(all->East, extent->East), std::max(all->North, extent->North)};
    if (common) {
      common = Extent{std::max(common->West, extent->West), std::max(common->South, extent->South),
                      std::min(common->East, extent->East), std::min(common->North, extent->North)};
      if (common->West >= common->East || common->South >= common->North) {
        common.reset();
      }
    }
  }
  return common ? common : all;
}

std::string Number(double value) {
  return FormatGeneral(value, '.');
}

// The image extension of the tasks' tiles: that of the first task whose map type has
// a naming.
std::string_view ExtensionOf(const std::vector<TaskTiles>& tasks) {
  for (const TaskTiles& task : tasks) {
    if (!task.Naming.Extension.empty()) {
      return task.Naming.Extension;
    }
  }
  return "png";  // the built-in map type's
}

// MBTiles names JPEG tiles "jpg" whatever the files' extension.
std::string FormatOf(const std::vector<TaskTiles>& tasks) {
  const std::string_view extension = ExtensionOf(tasks);
  return extension == "jpeg" ? "jpg" : std::string(extension);
}

// One MBTiles file holds tiles of one image format: tasks of two formats are refused
// rather than written under a format that half of their tiles lack.
void RefuseMixedFormats(const std::vector<TaskTiles>& tasks) {
  const std::string_view first = ExtensionOf(tasks);
  for (const TaskTiles& task : tasks) {
    if (!task.Naming.Extension.empty() && task.Naming.Extension != first) {
      throw AppError("The tasks hold tiles of two image formats (" + std::string(first) + " and " +
                     task.Naming.Extension +
                     "). An MBTiles file holds one: export them into separate files.");
    }
  }
}

// The attribution of the first task whose map source names one; the built-in map type
// names none.
std::string AttributionOf(const std::vector<TaskTiles>& tasks) {
  const auto named = std::find_if(tasks.begin(), tasks.end(),
                                  [](const TaskTiles& task) { return !task.Attribution.empty(); });
  return named == tasks.end() ? std::string() : named->Attribution;
}

bool WrittenAfter(const timespec& file, const timespec& reference) {
  return file.tv_sec != reference.tv_sec ? file.tv_sec > reference.tv_sec
                                         : file.tv_nsec > reference.tv_nsec;
}

// Reads a regular file of 1 to kMaxTileBytes bytes into bytes; its modification time,
// or none when it is no such file.
std::optional<timespec> ReadTileFile(const std::string& path, std::string& bytes) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    return std::nullopt;
  }
  struct stat info {};
  std::optional<timespec> modified;
  if (fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      info.st_size <= MbtilesExport::kMaxTileBytes) {
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t filled = 0;
    ssize_t got = 0;
    while (filled < bytes.size() &&
           (got = read(descriptor, bytes.data() + filled, bytes.size() - filled)) > 0) {
      filled += static_cast<size_t>(got);
    }
    if (filled == bytes.size()) {
      modified = info.st_mtim;
    }
  }
  close(descriptor);
  return modified;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> MbtilesMetadata(
    const std::vector<TaskTiles>& tasks, const std::string& name, const std::string& attribution) {
  std::vector<std::pair<std::string, std::string>> rows = {
      {"name", name}, {"format", FormatOf(tasks)}, {"type", "baselayer"}, {"version", "1"}};
  int32_t minZoom = std::numeric_limits<int32_t>::max();
  int32_t maxZoom = std::numeric_limits<int32_t>::min();
  for (const TaskTiles& task : tasks) {
    minZoom = std::min(minZoom, task.Zoom);
    maxZoom = std::max(maxZoom, task.Zoom);
  }
  if (!tasks.empty()) {
    rows.emplace_back("minzoom", std::to_string(minZoom));
    rows.emplace_back("maxzoom", std::to_string(maxZoom));
  }
  if (const auto bounds = BoundsOf(tasks)) {
    rows.emplace_back("bounds", Number(bounds->West) + "," + Number(bounds->South) + "," +
                                    Number(bounds->East) + "," + Number(bounds->North));
    rows.emplace_back("center", Number((bounds->West + bounds->East) / 2) + "," +
                                    Number((bounds->South + bounds->North) / 2) + "," +
                                    std::to_string(minZoom));
  }
  if (!attribution.empty()) {
    rows.emplace_back("attribution", attribution);
  }
  return rows;
}

MbtilesExport::MbtilesExport(const std::vector<std::string>& taskFiles,
                             const std::string& programFolder) {
  for (const std::string& taskFile : taskFiles) {
    tasks_.push_back(ReadTaskTiles(taskFile));
  }
  RefuseMixedFormats(tasks_);
  if (!ReadTileFile(BlankImagePath(programFolder, ExtensionOf(tasks_)), blankImage_)) {
    blankImage_.clear();
  }
  for (const TaskTiles& task : tasks_) {
    ForEachTileFile(task, [this](const TileFile&) {
      ++tileFileCount_;
      return true;
    });
  }
}

std::optional<ExportCounts> MbtilesExport::WriteTo(const std::string& outFile,
                                                   const ExportProgressHandler& onProgress) {
  MbtilesWriter writer(outFile);
  for (const auto& [name, value] :
       MbtilesMetadata(tasks_, RemoveFileExt(ExtractFileName(outFile)), AttributionOf(tasks_))) {
    writer.AddMetadata(name, value);
  }
  ExportCounts counts;
  ExportProgress progress{0, tileFileCount_};
  std::string bytes;
  for (const TaskTiles& task : tasks_) {
    const FailedTiles failed = ReadFailedTiles(task);
    const int64_t gridLastRow = (int64_t{1} << task.Zoom) - 1;
    const bool walked = ForEachTileFile(task, [&](const TileFile& tile) {
      const auto modified = ReadTileFile(tile.Path, bytes);
      const bool listedAsFailed = failed.SavedAt &&
                                  failed.Names.count(ExtractFileName(tile.Path)) != 0 &&
                                  !(modified && WrittenAfter(*modified, *failed.SavedAt));
      if (!modified) {
        ++counts.Unreadable;
      } else if (bytes == blankImage_ || listedAsFailed) {
        ++counts.Blank;
      } else {
        writer.AddTile(task.Zoom, tile.X, static_cast<int32_t>(gridLastRow - tile.Y), bytes);
        ++counts.Exported;
      }
      return ++progress.Done % kProgressEvery != 0 || !onProgress || onProgress(progress);
    });
    if (!walked) {
      return std::nullopt;
    }
  }
  writer.Commit();
  if (onProgress) {
    onProgress(progress);
  }
  return counts;
}

}  // namespace kartovel
