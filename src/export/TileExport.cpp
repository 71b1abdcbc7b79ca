// The export: the tileset's description from the tasks, then every tile file in batches.
#include "export/TileExport.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "common/Error.h"
#include "common/NumberFormat.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "export/TileArchiveFormat.h"
#include "export/TileEnding.h"
#include "task/MapSourcesFile.h"
#include "tiles/TileFileReader.h"
#include "geometry/Commonfunc.h"
#include "task/TileContent.h"
#include "task/Unitclasstask.h"

namespace kartovel {

namespace {

using Extent = GeoBounds;

std::optional<Extent> ExtentOf(const TaskTiles& task) {
  const TileRange& range = task.Range;
  if (task.TotalCount() == 0 || !task.InGrid(std::max(range.MinX, 0), std::max(range.MinY, 0))) {
    return std::nullopt;
  }
  const int64_t last = (int64_t{1} << range.Zoom) - 1;
  const double firstX = std::max(range.MinX, 0);
  const double lastX = std::min<int64_t>(range.MaxX, last);
  const double firstY = std::max(range.MinY, 0);
  const double lastY = std::min<int64_t>(range.MaxY, last);
  return Extent{TileXToLongitude(firstX, range.Zoom), TileYToLatitude(lastY + 1, range.Zoom, false),
                TileXToLongitude(lastX + 1, range.Zoom),
                TileYToLatitude(firstY, range.Zoom, false)};
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
                     "). An export file holds one: export them into separate files.");
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

// The files a run of the task leaves, the tile folder among them (without its separator).
std::vector<std::string> FilesOfTask(const TaskTiles& task) {
  const std::string base = task.TileFolder.substr(0, task.TileFolder.size() - 1);
  return {task.TaskFile, base + "_list.txt", base + "_log.txt", task.FailedFile, base};
}

// The same file: the same name once made absolute and plain, or the same inode.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const std::filesystem::path plainA = std::filesystem::absolute(a, error).lexically_normal();
  const std::filesystem::path plainB = std::filesystem::absolute(b, error).lexically_normal();
  if (plainA == plainB) {
    return true;
  }
  struct stat infoA {};
  struct stat infoB {};
  return stat(a.c_str(), &infoA) == 0 && stat(b.c_str(), &infoB) == 0 &&
         infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> MbtilesMetadata(
    const std::vector<TaskTiles>& tasks, const std::string& name, const std::string& attribution) {
  std::vector<std::pair<std::string, std::string>> rows = {
      {"name", name}, {"format", FormatOf(tasks)}, {"type", "baselayer"}, {"version", "1"}};
  int32_t minZoom = std::numeric_limits<int32_t>::max();
  int32_t maxZoom = std::numeric_limits<int32_t>::min();
  for (const TaskTiles& task : tasks) {
    minZoom = std::min(minZoom, task.Range.Zoom);
    maxZoom = std::max(maxZoom, task.Range.Zoom);
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

TilesetInfo TilesetInfoOf(const std::vector<TaskTiles>& tasks, const std::string& name) {
  TilesetInfo info;
  info.Name = name;
  info.Format = FormatOf(tasks);
  info.Attribution = AttributionOf(tasks);
  info.MbtilesRows = MbtilesMetadata(tasks, name, info.Attribution);
  info.Bounds = BoundsOf(tasks);
  for (size_t i = 0; i < tasks.size(); ++i) {
    info.MinZoom = i == 0 ? tasks[i].Range.Zoom : std::min(info.MinZoom, tasks[i].Range.Zoom);
    info.MaxZoom = i == 0 ? tasks[i].Range.Zoom : std::max(info.MaxZoom, tasks[i].Range.Zoom);
  }
  // The first task of a map source names the address and headers the apps fetch with.
  for (const TaskTiles& task : tasks) {
    const SourceReading reading = ReadTaskMapSource(task.TaskFile, "");
    if (reading.Source && !IsBuiltIn(*reading.Source)) {
      info.UrlTemplate = reading.Source->Url;
      info.Referer = reading.Source->Referer;
      info.UserAgent = reading.Source->UserAgent;
      break;
    }
  }
  return info;
}

TileExport::TileExport(const std::vector<std::string>& taskFiles,
                             const std::string& programFolder) {
  for (const std::string& taskFile : taskFiles) {
    tasks_.push_back(ReadSoundTaskTiles(taskFile));
  }
  RefuseMixedFormats(tasks_);
  if (!ReadSmallRegularFile(BlankImagePath(programFolder, ExtensionOf(tasks_)), kMaxTileBytes,
                            blankImage_)) {
    blankImage_.clear();
  }
  for (const TaskTiles& task : tasks_) {
    ForEachTileFile(task, [this](const TileFile&) {
      ++tileFileCount_;
      return true;
    });
  }
}

void TileExport::RefuseOutFile(const std::string& outFile) const {
  if (!ArchiveFormatOfFile(outFile)) {
    throw AppError("Cannot export to " + outFile + ": an export file's name ends in " +
                   ArchiveExtensionList() + ".");
  }
  for (const TaskTiles& task : tasks_) {
    for (const std::string& file : FilesOfTask(task)) {
      if (SameFile(outFile, file)) {
        throw AppError("Cannot export to " + outFile + ": it is " + file + ", a file of the task " +
                       task.TaskFile + ".");
      }
    }
  }
  // Found now rather than when the finished file cannot take its place.
  std::error_code error;
  if (std::filesystem::is_directory(outFile, error)) {
    throw AppError("Cannot export to " + outFile + ": it is a folder.");
  }
}

std::optional<ExportCounts> TileExport::WriteTo(const std::string& outFile,
                                                const ExportProgressHandler& onProgress,
                                                const ExportWatch& watch) {
  RefuseOutFile(outFile);
  const std::unique_ptr<TileArchiveWriter> writer =
      MakeArchiveWriter(*ArchiveFormatOfFile(outFile), outFile,
                        TilesetInfoOf(tasks_, RemoveFileExt(ExtractFileName(outFile))));
  if (watch.Begun) {
    watch.Begun();
  }
  try {
    return WriteTiles(*writer, onProgress, watch);
  } catch (const ExportWriteError&) {
    throw;
  } catch (const AppError& error) {
    throw ExportWriteError(error.what());
  }
}

std::optional<ExportCounts> TileExport::WriteTiles(TileArchiveWriter& writer,
                                                   const ExportProgressHandler& onProgress,
                                                   const ExportWatch& watch) {
  ExportCounts counts;
  ExportProgress progress{0, tileFileCount_};
  std::string bytes;
  for (const TaskTiles& task : tasks_) {
    const FailedTiles failed = ReadFailedTiles(task);
    const TileFileReader reader(task.TileFolder, kMaxTileBytes);
    const bool walked = ForEachTileFile(task, [&](const TileFile& tile) {
      if (watch.StopRequested && watch.StopRequested()) {
        return false;
      }
      const std::string name = ExtractFileName(tile.Path);
      const TileFileReading reading = reader.Read(name, bytes);
      const bool read = reading.Result == TileFileReading::Outcome::Read;
      const bool listedAsFailed = failed.SavedAt && failed.Names.count(name) != 0 &&
                                  !(read && WrittenAfter(reading.Modified, *failed.SavedAt));
      if (!read) {
        ++counts.Unreadable;
        if (reading.Result == TileFileReading::Outcome::NotRegular && watch.Report) {
          watch.Report("Left out " + tile.Path + ": it is " + reading.What +
                       ", not a regular file.");
        }
      } else if (bytes == blankImage_ || listedAsFailed) {
        ++counts.Blank;
      } else if (!IsTileContent(task.Naming.Extension, bytes)) {
        ++counts.Unreadable;
        if (watch.Report) {
          watch.Report("Left out " + tile.Path + ": it is not a " +
                       std::string(ContentCheckFor(task.Naming.Extension)->ImageKind) + " image.");
        }
      } else if (!EndsAsAWholeImage(task.Naming.Extension, bytes)) {
        ++counts.Unreadable;
        if (watch.Report) {
          watch.Report("Left out " + tile.Path + ": the " +
                       std::string(ContentCheckFor(task.Naming.Extension)->ImageKind) +
                       " image is cut short.");
        }
      } else {
        writer.AddTile(task.Range.Zoom, tile.Tile.X, tile.Tile.Y, bytes);
        ++counts.Exported;
      }
      return ++progress.Done % kProgressEvery != 0 || !onProgress || onProgress(progress);
    });
    if (!walked) {
      return std::nullopt;
    }
  }
  writer.Commit();
  stats_ = writer.Stats();
  if (onProgress) {
    onProgress(progress);
  }
  return counts;
}

}  // namespace kartovel
