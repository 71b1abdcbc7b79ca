// The task's verify: every tile of the range by name, read without following a link or
// waiting on a pipe, sorted into present, blank, missing and damaged.
#include <sys/stat.h>

#include <cerrno>

#include "common/Error.h"
#include "export/TaskTiles.h"
#include "imaging/TileBytesDecoder.h"
#include "task/TileContent.h"
#include "task/Unitclasstask.h"
#include "tiles/TileFileReader.h"
#include "verify/Verify.h"

namespace kartovel {

namespace {

constexpr int64_t kMaxTileBytes = int64_t{16} << 20;

bool WrittenAfter(const timespec& file, const timespec& reference) {
  return file.tv_sec != reference.tv_sec ? file.tv_sec > reference.tv_sec
                                         : file.tv_nsec > reference.tv_nsec;
}

std::string TileFileName(const TaskTiles& task, int64_t x, int64_t y) {
  return task.Naming.Prefix + "_" + std::to_string(x) + "_" + std::to_string(y) + "_" +
         std::to_string(task.Range.Zoom) + "." + task.Naming.Extension;
}

bool Absent(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) != 0 && errno == ENOENT;
}

}  // namespace

VerifyReport VerifyTask(const std::string& taskFile, const std::string& programFolder,
                        const VerifyStop& stop) {
  VerifyReport report;
  report.Kind = "task";
  TaskTiles task;
  try {
    task = ReadSoundTaskTiles(taskFile);
  } catch (const AppError& error) {
    report.Broken(error.what());
    return report;
  }
  std::string blank;
  if (!ReadSmallRegularFile(BlankImagePath(programFolder, task.Naming.Extension), kMaxTileBytes,
                            blank)) {
    blank.clear();
  }
  const FailedTiles failed = ReadFailedTiles(task);
  report.FailedRecords = static_cast<int64_t>(failed.Names.size());
  const TileFileReader reader(task.TileFolder, kMaxTileBytes);
  std::string bytes;
  std::string why;
  for (int64_t x = task.Range.MinX; x <= task.Range.MaxX; ++x) {
    for (int64_t y = task.Range.MinY; y <= task.Range.MaxY; ++y) {
      if (!task.Holds(x, y)) {
        continue;
      }
      if (stop && stop()) {
        report.Stopped = true;
        return report;
      }
      const std::string name = TileFileName(task, x, y);
      const TileFileReading reading = reader.Read(name, bytes);
      if (reading.Result == TileFileReading::Outcome::NotRegular) {
        report.Damaged(task.Range.Zoom, name, "it is " + reading.What + ", not a regular file");
      } else if (reading.Result == TileFileReading::Outcome::Unreadable) {
        if (Absent(task.TileFolder + name)) {
          report.Missing(task.Range.Zoom, name);
        } else {
          report.Damaged(task.Range.Zoom, name, "empty, too large or unreadable");
        }
      } else if ((!blank.empty() && bytes == blank) ||
                 (failed.SavedAt && failed.Names.count(name) != 0 &&
                  !WrittenAfter(reading.Modified, *failed.SavedAt))) {
        report.Blank(task.Range.Zoom);
      } else if (!IsTileContent(task.Naming.Extension, bytes)) {
        const TileContentCheck* check = ContentCheckFor(task.Naming.Extension);
        report.Damaged(task.Range.Zoom, name,
                       "not a " + std::string(check ? check->ImageKind : "tile") + " image");
      } else if (!tools::DecodeTileBytes(bytes, why)) {
        report.Damaged(task.Range.Zoom, name, why);
      } else {
        report.Present(task.Range.Zoom);
      }
    }
  }
  return report;
}

}  // namespace kartovel
