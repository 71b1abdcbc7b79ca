// The download task: turns a request into a tile range, names the run's files, creates
// the tile folder, addresses tiles and writes the task file, tile list, log and failed file.
#include "task/Unitclasstask.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/LineFile.h"
#include "common/Locale.h"
#include "common/NumberFormat.h"
#include "common/Paths.h"
#include "common/ProgramLayout.h"
#include "geometry/Commonfunc.h"
#include "shape/ShapeCoverage.h"
#include "task/FailedRecord.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskFileKeys.h"
#include "task/TaskShape.h"

namespace kartovel {

namespace {

// The grid size 1 << zoom must stay a positive signed 32-bit integer.
constexpr int32_t kMinZoom = 0;
constexpr int32_t kMaxZoom = 30;

// The URL of the built-in map type between "http://" + tile host and the query.
constexpr std::string_view kBuiltInPathAndQuery = "/hx/tl?v=4.3&r=1&";

// Prefix and extension of the task's map type: the built-in row, a source, or empty texts.
struct TileNaming {
  std::string_view Prefix;
  std::string_view Extension;
};

TileNaming NamingOf(const DownloadTask& task) {
  if (task.Params.MapsType == kBuiltInMapsType) {
    return {kBuiltInPrefix, kBuiltInExtension};
  }
  if (const MapSource* source = task.SourceInUse()) {
    return {source->Prefix, source->Extension};
  }
  return {};
}

}  // namespace

TileNameKind BuiltInTileNameKind(int32_t mapsType) {
  if (mapsType != kBuiltInMapsType) {
    return {};
  }
  return TileNameKind{.Prefix = kBuiltInPrefix, .Extension = kBuiltInExtension, .Zoom = {}};
}

namespace {

// Map types 5, 6 and 7 count their rows from the southern limit of the grid.
bool IsSouthOrigin(int32_t mapsType) {
  return mapsType >= 5 && mapsType <= 7;
}

void RefuseZoomOutsideGrid(int32_t zoom) {
  if (zoom < kMinZoom || zoom > kMaxZoom) {
    throw AppError("Zoom level " + std::to_string(zoom) +
                   " is out of range. Choose a zoom level from 0 to 30.");
  }
}

// The tile count in 64 bits, refused when the 32-bit count cannot hold it.
int32_t CountTiles(int32_t minX, int32_t maxX, int32_t minY, int32_t maxY) {
  const int64_t columns = int64_t{maxX} - minX + 1;
  const int64_t rows = int64_t{maxY} - minY + 1;
  const int64_t count = columns * rows;
  if (count > std::numeric_limits<int32_t>::max()) {
    throw AppError(
        "The area holds too many tiles at this zoom level. Choose a smaller area or a lower "
        "zoom level.");
  }
  return static_cast<int32_t>(count);
}

void AppendInteger(std::string& out, int64_t value) {
  char digits[24];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
  out.append(digits, result.ptr);
}

std::string IntegerText(int64_t value) {
  std::string text;
  AppendInteger(text, value);
  return text;
}

// The last lines of every run log header and the separator of a continued log.
constexpr std::string_view kStartTilde = "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~";
constexpr std::string_view kContinueRule = "--------------------------------------------";
constexpr std::string_view kMaskedPassword = "********";

constexpr std::string_view kListHeader =
    "ImageFileName    Left_Edge_Longitude    Right_Edge_Longitude   Top_Edge_Latitude      "
    "Bottom_Edge_Latitude";
constexpr std::string_view kLineEnd = "\r\n";

// Streams the tile list to its temporary file in large pieces, so that memory stays
// flat whatever the tile count.
// Tells the watch how far the list is; a stop request ends the writing (the stream's
// temporary goes with the stream).
void WatchListWriting(const ListWriteWatch& watch, int64_t written, int64_t total) {
  if (watch.StopRequested && watch.StopRequested()) {
    throw ListWriteStopped();
  }
  if (watch.Progress && total > 0) {
    watch.Progress(static_cast<int32_t>(written * 100 / total));
  }
}

class ListStream {
 public:
  explicit ListStream(const std::string& fileName) : writer_(fileName) {
    buffer_.reserve(kFlushSize + kLineReserve);
  }
  std::string& Buffer() { return buffer_; }
  // True when a megabyte was written.
  bool FlushIfFull() {
    if (buffer_.size() >= kFlushSize) {
      writer_.Write(buffer_);
      buffer_.clear();
      return true;
    }
    return false;
  }
  void Commit() {
    writer_.Write(buffer_);
    buffer_.clear();
    writer_.Commit();
  }

 private:
  static constexpr size_t kFlushSize = size_t{1} << 20;
  static constexpr size_t kLineReserve = 256;
  AtomicFileWriter writer_;
  std::string buffer_;
};

// The "%20.14f" texts of row edges. Neighbouring rows share an edge, so the last two
// texts are kept: a walk down a column computes and formats each edge once.
class RowEdgeTexts {
 public:
  RowEdgeTexts(int32_t zoom, bool southOrigin) : zoom_(zoom), southOrigin_(southOrigin) {}

  // Valid until the next call.
  std::string_view Text(int64_t edge) {
    for (const Slot& slot : slots_) {
      if (slot.edge == edge) {
        return slot.text;
      }
    }
    Slot& slot = slots_[nextSlot_];
    nextSlot_ = 1 - nextSlot_;
    slot.edge = edge;
    slot.text.clear();
    AppendFixed(slot.text, TileYToLatitude(static_cast<double>(edge), zoom_, southOrigin_));
    return slot.text;
  }

 private:
  struct Slot {
    int64_t edge = std::numeric_limits<int64_t>::min();
    std::string text;
  };
  int32_t zoom_;
  bool southOrigin_;
  std::array<Slot, 2> slots_;
  size_t nextSlot_ = 0;
};

// The two parts of a list line that depend on the row only: the file name's tail after
// the column ("3104_13.png: ") and the row's north and south edges. Every column repeats
// them, so a range of several columns formats them once; a range taller than the cache
// limit formats them for each tile instead, keeping memory flat.
class RowTexts {
 public:
  RowTexts(const DownloadTask& task, bool southOrigin, std::string_view extension)
      : task_(task),
        southOrigin_(southOrigin),
        extension_(extension),
        edges_(task.Params.Zoom, southOrigin) {
    const int64_t rows = int64_t{task.MaxY} - task.MinY + 1;
    const bool severalColumns = task.MaxX > task.MinX;
    if (severalColumns && rows <= kMaxCachedRows) {
      offsets_.reserve(static_cast<size_t>(rows) * 2 + 1);
      offsets_.push_back(0);
      for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
        FormatNameTail(cache_, y);
        offsets_.push_back(cache_.size());
        FormatEdges(cache_, y);
        offsets_.push_back(cache_.size());
      }
    }
  }

  void AppendNameTail(std::string& out, int32_t y) {
    if (offsets_.empty()) {
      FormatNameTail(out, y);
    } else {
      out.append(Cached(2 * Index(y)));
    }
  }

  void AppendEdges(std::string& out, int32_t y) {
    if (offsets_.empty()) {
      FormatEdges(out, y);
    } else {
      out.append(Cached(2 * Index(y) + 1));
    }
  }

 private:
  static constexpr int64_t kMaxCachedRows = int64_t{1} << 16;

  void FormatNameTail(std::string& out, int32_t y) const {
    AppendInteger(out, y);
    out.push_back('_');
    AppendInteger(out, task_.Params.Zoom);
    out.push_back('.');
    out.append(extension_);
    out.append(": ");
  }

  // North edge first whichever way the rows are counted: edge y is the north edge of
  // row y for north-origin rows and its south edge for south-origin rows.
  void FormatEdges(std::string& out, int32_t y) {
    const int64_t row = y;
    out.append(edges_.Text(southOrigin_ ? row + 1 : row));
    out.push_back(' ');
    out.append(edges_.Text(southOrigin_ ? row : row + 1));
  }

  size_t Index(int32_t y) const { return static_cast<size_t>(int64_t{y} - task_.MinY); }
  std::string_view Cached(size_t piece) const {
    return std::string_view(cache_).substr(offsets_[piece], offsets_[piece + 1] - offsets_[piece]);
  }

  const DownloadTask& task_;
  bool southOrigin_;
  std::string_view extension_;
  RowEdgeTexts edges_;
  std::string cache_;
  std::vector<size_t> offsets_;
};

}  // namespace

RequestTileRange TileRangeOf(const TaskParameters& params) {
  RefuseZoomOutsideGrid(params.Zoom);
  const bool southOrigin = IsSouthOrigin(params.MapsType);
  return RequestTileRange{.MinX = LongitudeToTileX(params.LeftLongitude, params.Zoom),
                   .MaxX = LongitudeToTileX(params.RightLongitude, params.Zoom),
                   .BottomRow = LatitudeToTileY(params.BottomLatitude, params.Zoom, southOrigin),
                   .TopRow = LatitudeToTileY(params.TopLatitude, params.Zoom, southOrigin)};
}

namespace {

// Rows minY..maxY of a map type's numbering counted from the north, as a shape's coverage
// counts them.
TileRange NorthRows(int32_t mapsType, int32_t zoom, int32_t minX, int32_t maxX, int32_t minY,
                    int32_t maxY) {
  const int32_t last = static_cast<int32_t>((int64_t{1} << zoom) - 1);
  const bool southOrigin = IsSouthOrigin(mapsType);
  return TileRange{zoom, minX, maxX, southOrigin ? last - maxY : minY,
                   southOrigin ? last - minY : maxY};
}

}  // namespace

int64_t CoveredTileCount(const TaskParameters& params) {
  const RequestTileRange range = TileRangeOf(params);
  if (!params.AreaShape) {
    return range.Count();
  }
  return ShapeCoverage(*params.AreaShape, params.Zoom,
                       NorthRows(params.MapsType, params.Zoom, range.MinX, range.MaxX,
                                 range.MinY(), range.MaxY()))
      .CoveredCount();
}

DownloadTask::DownloadTask(TaskParameters& params) : Params(params) {
  const RequestTileRange range = TileRangeOf(Params);
  const int32_t zoom = Params.Zoom;
  const bool southOrigin = IsSouthOrigin(Params.MapsType);

  MinX = range.MinX;
  MaxX = range.MaxX;
  LeftLongitudeDownload = TileXToLongitude(MinX, zoom);
  RightLongitudeDownload = TileXToLongitude(static_cast<double>(MaxX) + 1, zoom);
  // Edge y is the north edge of row y for north-origin rows and its south edge for
  // south-origin rows.
  if (southOrigin) {
    TopLatitudeDownload = TileYToLatitude(static_cast<double>(range.TopRow) + 1, zoom, true);
    BottomLatitudeDownload = TileYToLatitude(range.BottomRow, zoom, true);
  } else {
    TopLatitudeDownload = TileYToLatitude(range.TopRow, zoom, false);
    BottomLatitudeDownload = TileYToLatitude(static_cast<double>(range.BottomRow) + 1, zoom, false);
  }
  MinY = range.MinY();
  MaxY = range.MaxY();
  TotalCount = CountTiles(MinX, MaxX, MinY, MaxY);
  if (Params.AreaShape) {
    CoverShape();
  }

  const std::string base = RemoveFileExt(Params.TaskFileName);
  LogFileName = Params.SavePath + base + "_log.txt";
  FailedFileName = Params.SavePath + base + kFailedFileSuffix;
  ListFileName = Params.SavePath + base + "_list.txt";
  TileFolder = Params.SavePath + base + kPathSeparator;

  if (!DirectoryExists(TileFolder)) {
    if (const int reason = CreateOneDirectoryError(TileFolder); reason != 0) {
      throw AppError(WithSystemReason("Create directory " + TileFolder + " Failed", reason) + ".");
    }
  }

  ResumeX.fill(0);
  ResumeY.fill(0);
  if (Params.ContinueTask) {
    const TaskFileValues saved = ReadTaskFile(TaskFilePath()).Values;
    const auto slots = std::clamp<int32_t>(Params.ThreadCount, 0, std::ssize(ResumeX));
    for (int32_t i = 0; i < slots; ++i) {
      const WorkerPosition position = saved.Worker(i + 1);
      ResumeX[i] = position.X.value_or(0);
      ResumeY[i] = position.Y.value_or(0);
    }
  }
  if (!coverage_) {
    coverage_ = std::make_unique<RectangleCoverage>(Range());
  }
}

namespace {

// A shape's tiles seen in the task's own rows: the shape's coverage counts rows from the
// north, and map types that count them from the south see them flipped.
class FlippableShapeCoverage final : public TileCoverage {
 public:
  FlippableShapeCoverage(const TileRange& range, std::unique_ptr<const ShapeCoverage> shape,
                         bool southOrigin)
      : range_(range),
        shape_(std::move(shape)),
        flipFrom_(southOrigin ? static_cast<int32_t>((int64_t{1} << range.Zoom) - 1) : -1) {}

  const TileRange& Bounds() const override { return range_; }
  bool Holds(int32_t x, int32_t y) const override {
    return range_.Contains(x, y) && shape_->Holds(x, flipFrom_ < 0 ? y : flipFrom_ - y);
  }
  int64_t CoveredCount() const override { return shape_->CoveredCount(); }

 private:
  TileRange range_;
  std::unique_ptr<const ShapeCoverage> shape_;
  int32_t flipFrom_;  // the last row of the grid for south-origin rows; -1 for north-origin
};

}  // namespace

std::unique_ptr<const TileCoverage> ShapedTaskCoverage(const Shape& shape, int32_t mapsType,
                                                       const TileRange& range) {
  const TileRange northRows =
      NorthRows(mapsType, range.Zoom, range.MinX, range.MaxX, range.MinY, range.MaxY);
  return std::make_unique<FlippableShapeCoverage>(
      range, std::make_unique<const ShapeCoverage>(shape, range.Zoom, northRows),
      IsSouthOrigin(mapsType));
}

// The shape's tiles within the range; the task's count is theirs.
void DownloadTask::CoverShape() {
  static_cast<void>(ShapeSectionLines(*Params.AreaShape));  // refuses a shape too large to keep
  auto covered = ShapedTaskCoverage(*Params.AreaShape, Params.MapsType, Range());
  if (covered->CoveredCount() == 0) {
    throw AppError("The shape covers no tile at this zoom level.");
  }
  TotalCount = static_cast<int32_t>(covered->CoveredCount());
  coverage_ = std::move(covered);
}

bool DownloadTask::Covers(int32_t x, int32_t y) const {
  // The walk only visits positions of the range, all of which a rectangle holds.
  return !Params.AreaShape || coverage_->Holds(x, y);
}

int64_t DownloadTask::CoveredInShare(int64_t serials, int32_t index, int32_t workers) const {
  if (serials <= 0 || workers < 1) {
    return 0;
  }
  if (!Params.AreaShape) {
    return index == 0 ? serials / workers : (serials >= index ? (serials - index) / workers + 1 : 0);
  }
  const int64_t rows = int64_t{MaxY} - MinY + 1;
  int64_t count = 0;
  for (int32_t x = MinX; x <= MaxX; ++x) {
    for (int32_t y = MinY; y <= MaxY; ++y) {
      const int64_t serial = (int64_t{x} - MinX) * rows + (int64_t{y} - MinY) + 1;
      if (serial > serials) {
        return count;
      }
      count += serial % workers == index && Covers(x, y);
    }
  }
  return count;
}

std::string BlankImagePath(const std::string& programFolder, std::string_view extension) {
  return ResourceFolder(programFolder) + "blankimg" + kPathSeparator + "blank." + std::string(extension);
}

TileRange DownloadTask::Range() const {
  return TileRange{.Zoom = Params.Zoom, .MinX = MinX, .MaxX = MaxX, .MinY = MinY, .MaxY = MaxY};
}

std::string DownloadTask::TaskFilePath() const {
  return Params.SavePath + Params.TaskFileName;
}

TileAddress DownloadTask::AddressOf(int32_t x, int32_t y) const {
  std::string fileName = TileFileName(x, y);
  std::string path = TileFolder + fileName;
  return TileAddress{.Tile = {Params.Zoom, x, y},
                     .Url = TileUrl(x, y),
                     .FileName = std::move(fileName),
                     .Path = std::move(path)};
}

const MapSource* DownloadTask::SourceInUse() const {
  const bool sourceOfMapType = Params.Source && Params.Source->MapsType == Params.MapsType &&
                               Params.MapsType != kBuiltInMapsType;
  return sourceOfMapType ? &*Params.Source : nullptr;
}

std::string DownloadTask::TileUrl(int32_t x, int32_t y) const {
  if (const MapSource* source = SourceInUse()) {
    return ExpandTileUrl(source->Url, source->Subdomains, x, y, Params.Zoom);
  }
  if (Params.MapsType != kBuiltInMapsType) {
    return {};
  }
  return BuiltInTileUrl(Params.TileHost, x, y, Params.Zoom);
}

std::string BuiltInTileUrl(const std::string& tileHost, int32_t x, int32_t y, int32_t zoom) {
  // The service counts rows from the equator, northward positive, and its zoom is one
  // more than ours. At zoom 0 the row is a fraction, written as such.
  const double serviceRow = std::ldexp(1.0, zoom - 1) - y - 1;
  std::string url = "http://" + tileHost;
  url.append(kBuiltInPathAndQuery);
  url.append("x=");
  AppendInteger(url, x);
  url.append("&y=");
  url.append(FormatGeneral(serviceRow));
  url.append("&z=");
  AppendInteger(url, int64_t{zoom} + 1);
  return url;
}

std::string DownloadTask::TileFileName(int32_t x, int32_t y) const {
  std::string name(NamingOf(*this).Prefix);
  name.push_back('_');
  AppendInteger(name, x);
  name.push_back('_');
  AppendInteger(name, y);
  name.push_back('_');
  AppendInteger(name, Params.Zoom);
  name.push_back('.');
  name.append(TileExtension());
  return name;
}

std::string DownloadTask::TilePath(int32_t x, int32_t y) const {
  return TileFolder + TileFileName(x, y);
}

std::string DownloadTask::TileExtension() const {
  return std::string(NamingOf(*this).Extension);
}

void DownloadTask::WriteTaskFile() {
  if (Params.ContinueTask) {
    return;
  }
  TaskFileValues values;
  values.MapsType = Params.MapsType;
  if (const MapSource* source = SourceInUse()) {
    values.Source = *source;
  }
  values.LeftLongitude = FormatGeneral(Params.LeftLongitude);
  values.RightLongitude = FormatGeneral(Params.RightLongitude);
  values.TopLatitude = FormatGeneral(Params.TopLatitude);
  values.BottomLatitude = FormatGeneral(Params.BottomLatitude);
  values.LeftLongitudeDownload = FormatFixed(LeftLongitudeDownload);
  values.RightLongitudeDownload = FormatFixed(RightLongitudeDownload);
  values.TopLatitudeDownload = FormatFixed(TopLatitudeDownload);
  values.BottomLatitudeDownload = FormatFixed(BottomLatitudeDownload);
  values.Zoom = Params.Zoom;
  values.MinX = MinX;
  values.MinY = MinY;
  values.MaxX = MaxX;
  values.MaxY = MaxY;
  values.ThreadCount = Params.ThreadCount;
  // The slots are written empty; the progress monitor fills them during the run.
  values.Workers.resize(static_cast<size_t>(std::max(Params.ThreadSlots, 0)));
  Lines lines = TaskFileLines(values);
  if (Params.AreaShape) {
    const Lines shape = ShapeSectionLines(*Params.AreaShape);
    lines.insert(lines.end(), shape.begin(), shape.end());
    lines.emplace_back();
  }
  SaveLines(TaskFilePath(), lines);
}

void DownloadTask::WriteListFile() {
  if (Params.ContinueTask) {
    return;
  }
  const bool southOrigin = IsSouthOrigin(Params.MapsType);
  const std::string_view prefix = NamingOf(*this).Prefix;
  const std::string extension = TileExtension();
  RowTexts rows(*this, southOrigin, extension);

  ListStream stream(ListFileName);
  std::string& out = stream.Buffer();
  out.append(kListHeader);
  out.append(kLineEnd);

  std::string columnHead;
  std::string columnEdges;
  for (int64_t x = MinX; x <= MaxX; ++x) {
    columnHead.assign(prefix);
    columnHead.push_back('_');
    AppendInteger(columnHead, x);
    columnHead.push_back('_');

    columnEdges.clear();
    AppendFixed(columnEdges, TileXToLongitude(static_cast<double>(x), Params.Zoom));
    columnEdges.push_back(' ');
    AppendFixed(columnEdges, TileXToLongitude(static_cast<double>(x + 1), Params.Zoom));
    columnEdges.push_back(' ');

    for (int64_t y = MinY; y <= MaxY; ++y) {
      const auto row = static_cast<int32_t>(y);
      if (!Covers(static_cast<int32_t>(x), row)) {
        continue;
      }
      out.append(columnHead);
      rows.AppendNameTail(out, row);
      out.append(columnEdges);
      rows.AppendEdges(out, row);
      out.append(kLineEnd);
      if (stream.FlushIfFull()) {
        WatchListWriting(ListWatch, (x - MinX) * (int64_t{MaxY} - MinY + 1) + (y - MinY) + 1,
                         TotalCount);
      }
    }
  }
  stream.Commit();
}

void DownloadTask::WriteLogHeader() {
  if (Params.ContinueTask) {
    Lines lines = ReadLines(LogFileName);
    lines.emplace_back(kContinueRule);
    lines.emplace_back("Log continue...");
    lines.push_back("Now time is:" + NowText());
    SaveLines(LogFileName, lines);
    return;
  }
  Lines lines = {
      "Project: " + TaskFilePath(),
      "Now time is:" + NowText(),
      "",
      "[MapsType]",
      "MapsType=" + IntegerText(Params.MapsType),
      "",
  };
  if (const MapSource* source = SourceInUse()) {
    lines.push_back("Map source: " + source->Name);
    lines.push_back("Url template: " + source->Url);
    lines.emplace_back();
  }
  if (Params.UseProxy) {
    // The log is what people attach when they ask for help: the password stays out of it.
    const std::string_view shownPassword =
        Params.ProxyPassword.empty() ? std::string_view() : kMaskedPassword;
    lines.push_back("Using Proxy:");
    lines.push_back("Proxy Server:" + Params.ProxyServer);
    lines.push_back("Proxy Port:" + Params.ProxyPort);
    lines.push_back("ProxyUsername:" + Params.ProxyUsername);
    lines.push_back("ProxyPassword:" + std::string(shownPassword));
    lines.emplace_back();
  }
  const Lines rest = {
      "Left Longitude  input= " + FormatGeneral(Params.LeftLongitude),
      "Right Longitude input= " + FormatGeneral(Params.RightLongitude),
      "Top Latitude    input= " + FormatGeneral(Params.TopLatitude),
      "Bottom Latitude input= " + FormatGeneral(Params.BottomLatitude),
      "",
      "MinX = " + IntegerText(MinX),
      "MinY = " + IntegerText(MinY),
      "MaxX = " + IntegerText(MaxX),
      "MaxY = " + IntegerText(MaxY),
      "",
      "Left Longitude  download=" + FormatGeneral(LeftLongitudeDownload),
      "Right Longitude download=" + FormatGeneral(RightLongitudeDownload),
      "Top Latitude    download=" + FormatGeneral(TopLatitudeDownload),
      "Bottom Latitude download=" + FormatGeneral(BottomLatitudeDownload),
      "",
      "All images' scope information are saved to " + ListFileName,
      "",
      "Total count of images would be downloaded: " + IntegerText(TotalCount),
      "",
      "Download threads count: " + IntegerText(Params.ThreadCount),
      "",
      "Zoom level: " + IntegerText(Params.Zoom),
      "",
      "path: " + Params.SavePath,
      "",
      "Start downloading...",
      std::string(kStartTilde),
  };
  lines.insert(lines.end(), rest.begin(), rest.end());
  SaveLines(LogFileName, lines);
}

void DownloadTask::WriteRunFiles() {
  for (const std::string& fileName : {TaskFilePath(), ListFileName, LogFileName, FailedFileName}) {
    RemoveStaleTemporaries(fileName);
  }
  RemoveStaleTemporariesIn(TileFolder);
  if (!Params.ContinueTask && FileExists(TaskFilePath())) {
    // The old task file stays (its mode, a link to it) but can no longer be continued
    // until the new one replaces it whole. One that cannot be read cannot be continued
    // either; a folder that cannot be written fails the writes below.
    try {
      TIniFile(TaskFilePath()).WriteString(taskfile::kMapsTypeSection, taskfile::kMapsType, "");
    } catch (const AppError&) {
    }
  }
  WriteListFile();
  WriteLogHeader();
  ResetFailedFile();
  WriteTaskFile();
}

bool DownloadTask::ResumePositionFits(int32_t index) const {
  const int64_t x = ResumeX.at(index);
  const int64_t y = ResumeY.at(index);
  if (x == 0 || y == 0) {
    return true;
  }
  const TileRange range = Range();
  if (!range.Contains(int32_t(x), int32_t(y)) || Params.ThreadCount < 1) {
    return false;
  }
  return range.SerialOf(int32_t(x), int32_t(y)) % Params.ThreadCount == index;
}

void DownloadTask::ForgetResumePosition(int32_t index) {
  ResumeX.at(index) = 0;
  ResumeY.at(index) = 0;
}

void DownloadTask::ResetFailedFile() {
  if (Params.ContinueTask) {
    return;
  }
  SaveLines(FailedFileName, Lines());
}

}  // namespace kartovel
