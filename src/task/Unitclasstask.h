// A download request (TaskParameters) and the run built from it (DownloadTask): the
// tile range and its edges, the run's file names, tile addressing and the file writers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/SyncGroup.h"
#include "geometry/TileCoverage.h"
#include "geometry/TileId.h"
#include "geometry/TileRange.h"
#include "shape/Shape.h"
#include "task/MapSource.h"
#include "task/TileName.h"

namespace kartovel {

struct TaskParameters {
  double LeftLongitude = 0;
  double RightLongitude = 0;
  double TopLatitude = 0;
  double BottomLatitude = 0;
  int32_t Zoom = 13;
  int32_t ThreadCount = 8;
  int32_t ThreadSlots = 8;
  int32_t MapsType = 3;
  std::string SavePath;      // ends with the path separator
  std::string TaskFileName;  // name only, ".qtsk" extension
  bool UseProxy = false;
  std::string ProxyServer;
  std::string ProxyPort;  // held as text, converted by the worker
  std::string ProxyUsername;
  std::string ProxyPassword;
  bool ContinueTask = false;
  std::string TileHost;  // host[:port] of the tile service, from the deployment configuration
  // The map source of a map type from 100 to 999 (ini/sources.ini or a task's copy);
  // empty for map type 3, whose addressing is built in.
  std::optional<MapSource> Source;
  // A shaped area: the rectangle holds its bounds and the task walks the rectangle's range
  // but fetches only the tiles the shape covers. None for a rectangle.
  std::optional<Shape> AreaShape;
};

class ShapeCoverage;

// Where one tile comes from and where it is stored, worked out once for each tile.
struct TileAddress {
  TileId Tile;  // the task's zoom, the column and the row
  std::string Url;       // empty for a map type without a tile service
  std::string FileName;  // prefix_x_y_zoom.extension
  std::string Path;      // TileFolder + FileName
};

// The tile names of a built-in map type: its prefix and extension (empty texts for a map
// type without an entry), any zoom.
TileNameKind BuiltInTileNameKind(int32_t mapsType);

// The columns and rows a request's rectangle covers at its zoom, with the rows as the map
// type counts them (bottom and top): what a task of that
// request downloads, worked out without building the task.
struct RequestTileRange {
  int32_t MinX = 0;
  int32_t MaxX = 0;
  int32_t BottomRow = 0;  // the row of the bottom latitude
  int32_t TopRow = 0;     // the row of the top latitude
  int32_t MinY() const { return BottomRow < TopRow ? BottomRow : TopRow; }
  int32_t MaxY() const { return BottomRow < TopRow ? TopRow : BottomRow; }
  // The tile count in 64 bits: a range may hold more tiles than one task may.
  int64_t Count() const { return (int64_t{MaxX} - MinX + 1) * (int64_t{MaxY()} - MinY() + 1); }
};

// The range of the rectangle, zoom and map type of params (map types 5, 6 and 7 count
// rows from the south). Throws AppError for a zoom outside the grid (0 to 30).
RequestTileRange TileRangeOf(const TaskParameters& params);
// The tiles a task of params would fetch: its range's count for a rectangle, the covered
// tiles of the range for a shape. Throws AppError as TileRangeOf does.
int64_t CoveredTileCount(const TaskParameters& params);

// The tiles of range that shape covers, the range's rows counted as the map type counts
// them (from the south for map types 5, 6 and 7): a shaped task's coverage, the same for
// its run and for every program that reads the task back from its files.
std::unique_ptr<const TileCoverage> ShapedTaskCoverage(const Shape& shape, int32_t mapsType,
                                                       const TileRange& range);

// The URL of tile (x, y) at a zoom of map type 3 on the tile service at tileHost.
std::string BuiltInTileUrl(const std::string& tileHost, int32_t x, int32_t y, int32_t zoom);

// The blank image that stands in for tiles of the extension that could not be had:
// the shipped files' folder (common/ProgramLayout.h; the program folder when portable) +
// "blankimg" + separator + "blank." + extension.
std::string BlankImagePath(const std::string& programFolder, std::string_view extension);

// Who watches a tile list being written: a list of millions of tiles takes a while, and
// the user may give up on it. Each is asked about once per megabyte written.
struct ListWriteWatch {
  std::function<bool()> StopRequested;           // true: the writing ends, no file left
  std::function<void(int32_t percent)> Progress;  // 0 to 100, of the tiles written
};

// The writing of a tile list ended at a stop request; its temporary is removed and the
// task was never written, so the next Start is a fresh one.
class ListWriteStopped : public std::runtime_error {
 public:
  ListWriteStopped() : std::runtime_error("Writing the tile list was stopped.") {}
};

class DownloadTask {
 public:
  // Computes the range, names the files and creates the tile folder; loads the resume
  // positions when continuing. Throws AppError with the message to show on failure
  // (the folder that cannot be created, a zoom or tile count out of range).
  explicit DownloadTask(TaskParameters& params);

  std::array<int32_t, 16> ResumeX{};
  std::array<int32_t, 16> ResumeY{};
  TaskParameters& Params;
  int32_t MinX = 0;
  int32_t MinY = 0;
  int32_t MaxX = 0;
  int32_t MaxY = 0;
  double LeftLongitudeDownload = 0;
  double RightLongitudeDownload = 0;
  double TopLatitudeDownload = 0;
  double BottomLatitudeDownload = 0;
  int32_t TotalCount = 0;
  std::string LogFileName;
  std::string FailedFileName;
  std::string ListFileName;
  std::string TileFolder;
  // The tiles the workers have put in place since the last sync: the monitor syncs them
  // before it saves positions, so that a saved position never covers a tile a power cut
  // could still take. A worker adds its tile before the hand-off that reports it and
  // moves its position only after, so a sync at the start of a save on the user-interface
  // thread covers every position that save can read.
  SyncGroup TileWrites;
  // Told of the tile list's writing (WriteListFile); empty members are not asked.
  ListWriteWatch ListWatch;

  // Tile addressing: the whole address, or one part of it.
  TileAddress AddressOf(int32_t x, int32_t y) const;
  std::string TileUrl(int32_t x, int32_t y) const;
  std::string TileFileName(int32_t x, int32_t y) const;
  std::string TilePath(int32_t x, int32_t y) const;
  std::string TileExtension() const;
  // The source the task's map type names: the request's source when it is of that map
  // type, else none (map type 3 and map types without an entry).
  const MapSource* SourceInUse() const;

  // The run's files. Each throws AppError ("Cannot create file %s"...) on failure.
  void WriteTaskFile();
  void WriteListFile();
  void WriteLogHeader();
  void ResetFailedFile();
  // All of them, in the order that makes a kill at any moment harmless: the temporaries
  // of interrupted writes are removed; a fresh run first blanks the map type of an old
  // task file, then writes the list file, the log header and the empty failed-tile file,
  // and the task file last, so that the next Start continues only a start that was
  // complete and treats any other as fresh; a continued run adds its lines to the log.
  void WriteRunFiles();

  // Whether worker index's saved position can be trusted with ThreadCount workers: no
  // saved position (a pair holding a 0), or a tile of the range that falls to its share.
  bool ResumePositionFits(int32_t index) const;
  // Forgets worker index's saved position: it starts its share from the beginning.
  void ForgetResumePosition(int32_t index);

  // SavePath + TaskFileName.
  std::string TaskFilePath() const;

  // The range MinX..MaxX by MinY..MaxY at the task's zoom, in the workers' walk order.
  TileRange Range() const;
  // The tiles of the range the task fetches: the whole rectangle, or the covered tiles of
  // a shape. Set at construction; the workers walk Range() and fetch what it holds.
  const TileCoverage& Coverage() const { return *coverage_; }
  // Whether tile (x, y) of the range is one the task fetches (as Coverage() holds it).
  bool Covers(int32_t x, int32_t y) const;
  // The tiles the task fetches among the first `serials` of the walk that fall to worker
  // index of `workers` (serial mod workers == index).
  int64_t CoveredInShare(int64_t serials, int32_t index, int32_t workers) const;

 private:
  void CoverShape();

  std::unique_ptr<const TileCoverage> coverage_;
};

}  // namespace kartovel
