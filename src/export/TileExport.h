// Export of downloaded tasks into one tile archive, of the format the output file's
// extension names (MBTiles, PMTiles, GeoPackage, OsmAnd/Locus sqlitedb): every tile file
// of every task, blank substitutes and missing tiles left out.
//
// Left out as blank substitutes: files equal to the blank image, and tiles the task's
// failed-tile file lists, unless the file was written after the failed-tile file's
// last save (the re-download fetched it again, leaving the failed-tile file as it was).
// Memory stays flat whatever the tile count: one tile's bytes at a time, one
// transaction per batch.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/ArchiveTempFile.h"
#include "export/TileArchiveWriter.h"
#include "export/TaskTiles.h"

namespace kartovel {

struct ExportCounts {
  int64_t Exported = 0;
  int64_t Blank = 0;       // blank substitutes left out
  // Left out: empty, oversized or unreadable files, what is no regular file, and files
  // that are no image of the task's type.
  int64_t Unreadable = 0;
};

struct ExportProgress {
  int64_t Done = 0;   // tile files handled
  int64_t Total = 0;  // tile files found when the export began
};

// Called after every batch; false abandons the export.
using ExportProgressHandler = std::function<bool(const ExportProgress&)>;

// What an export asks besides its progress: a stop request looked at before every tile
// (true abandons the export within one tile), and where the lines go that name a file
// left out for what it is. Either may be empty.
struct ExportWatch {
  std::function<bool()> StopRequested;
  std::function<void(const std::string& line)> Report;
  // Called once the file to write could be begun, before the first tile.
  std::function<void()> Begun{};
};

// The metadata rows of the tasks' export, in the order they are written. name is the
// tileset's name; attribution is the map source's, empty for a source that names none.
std::vector<std::pair<std::string, std::string>> MbtilesMetadata(
    const std::vector<TaskTiles>& tasks, const std::string& name, const std::string& attribution);

// The extension the export dialog proposes.
inline constexpr char kMbtilesExtension[] = ".mbtiles";

// The tileset's description: the metadata rows, the zooms, the area every zoom covers,
// and the map source's address and request headers. name is the tileset's name.
TilesetInfo TilesetInfoOf(const std::vector<TaskTiles>& tasks, const std::string& name);

class TileExport {
 public:
  // Progress is reported after this many tile files.
  static constexpr int64_t kProgressEvery = 1000;
  // A file larger than this is no tile image.
  static constexpr int64_t kMaxTileBytes = int64_t{16} << 20;

  // Reads the task files, the blank image of their tiles' format beside the program
  // (missing: no tile is taken for one) and counts the tile files. Throws "Cannot open
  // file <name>" for a task file that does not exist, and a message naming both formats
  // when the tasks' tiles are of two image formats.
  TileExport(const std::vector<std::string>& taskFiles, const std::string& programFolder);

  const std::vector<TaskTiles>& Tasks() const { return tasks_; }
  int64_t TileFileCount() const { return tileFileCount_; }

  // Refuses an output file that the export must not write: one without the extension of
  // a format it writes, or one of the tasks' own files (task file, tile list, log,
  // failed-tile file, tile folder), by name or by being the same file.
  void RefuseOutFile(const std::string& outFile) const;

  // Writes the file (replacing an existing one only when complete) after removing
  // the temporaries an interrupted export of it left. Empty when the handler or the stop
  // request abandoned it. Throws like RefuseOutFile, "Cannot create file <outFile>" when
  // it cannot begin, and ExportWriteError with the system's reason when writing fails.
  std::optional<ExportCounts> WriteTo(const std::string& outFile,
                                      const ExportProgressHandler& onProgress,
                                      const ExportWatch& watch = {});

 private:
  std::optional<ExportCounts> WriteTiles(TileArchiveWriter& writer,
                                         const ExportProgressHandler& onProgress,
                                         const ExportWatch& watch);

  std::vector<TaskTiles> tasks_;
  std::string blankImage_;
  int64_t tileFileCount_ = 0;
  ArchiveStats stats_;

 public:
  // What the last complete export stored: its tiles and their distinct contents.
  const ArchiveStats& Stored() const { return stats_; }
};

}  // namespace kartovel
