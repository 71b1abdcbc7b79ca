// The area window's model: the boxes read at its start, the texts of a drawn rectangle,
// its count and estimate, and OK.
#include "app/UnitSelectArea.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>
#include <variant>

#include "app/AreaCost.h"
#include "app/RequestEstimate.h"
#include "engine/DecimalText.h"
#include "common/Error.h"
#include "common/IntegerText.h"
#include "common/Paths.h"
#include "map/DownloadEstimate.h"
#include "shape/ShapeCoverage.h"
#include "shape/ShapeFile.h"
#include "task/TaskName.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

constexpr char kCaptionStart[] = "Select area on map - ";
constexpr char kNoAreaHint[] =
    "Shift-drag on the map, or switch on Draw and drag, to draw the area to download.";
constexpr char kTooManyNote[] = " (too many for one task)";

std::optional<double> ReadBox(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return ParseDecimalText(text);
}

double ReadText(const std::string& text) {
  return ParseDecimalText(text).value_or(0);
}

}  // namespace

std::string CoordinateText(double degrees) {
  char digits[64];
  const auto result = std::to_chars(std::begin(digits), std::end(digits), degrees,
                                    std::chars_format::fixed, TfrmSelectArea::kDecimals);
  std::string text(digits, result.ptr);
  if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') {
    text.erase(0, 1);  // a tiny negative value rounds to zero, written without its sign
  }
  return text;
}

TfrmSelectArea::TfrmSelectArea(TForm1& form, TileSource source, std::string programFolder)
    : form_(form), source_(std::move(source)), programFolder_(std::move(programFolder)) {}

void TfrmSelectArea::FormShow() {
  Caption = kCaptionStart + source_.Name;
  Zoom = ParseIntegerText(form_.Edit5);
  statedKB_.reset();
  statedFault_.clear();
  if (!programFolder_.empty()) {
    auto stated = StatedAverageTileKB(programFolder_, form_.ChosenMapSource());
    if (auto* fault = std::get_if<std::string>(&stated)) {
      statedFault_ = std::move(*fault);
    } else {
      statedKB_ = std::get<std::optional<double>>(stated);
    }
  }
  DownloadedTaskFile.clear();
  if (!form_.Edit6.empty() && !form_.EditTaskName.empty()) {
    DownloadedTaskFile =
        IncludeTrailingSeparator(form_.Edit6) + TaskFileNameFor(form_.EditTaskName);
  }
  const auto left = ReadBox(form_.Edit1);
  const auto right = ReadBox(form_.Edit3);
  const auto top = ReadBox(form_.Edit2);
  const auto bottom = ReadBox(form_.Edit4);
  Area.reset();
  if (left && right && top && bottom &&
      TForm1::RectangleFault(*left, *right, *top, *bottom) == nullptr) {
    Area = GeoArea{*left, *right, *top, *bottom};
  }
  ShowArea();
}

void TfrmSelectArea::SetArea(const GeoArea& area) {
  // Two opposite corners give the same area, kept inside the ranges and in order.
  Area = AreaFromCorners(GeoPoint{area.West, area.North}, GeoPoint{area.East, area.South});
  ShowArea();
}

void TfrmSelectArea::ShowArea() {
  ButtonOKEnabled = Area.has_value();
  if (!Area) {
    LeftText = RightText = TopText = BottomText = "";
    LabelEstimate = kNoAreaHint;
    LabelCost.clear();
    return;
  }
  LeftText = CoordinateText(Area->West);
  RightText = CoordinateText(Area->East);
  TopText = CoordinateText(Area->North);
  BottomText = CoordinateText(Area->South);
  LabelEstimate.clear();
  try {
    if (const std::optional<int64_t> tiles = TileCount()) {
      LabelEstimate = EstimateText(EstimateDownload(*tiles, source_.Workers, source_.Pause));
      if (*tiles > std::numeric_limits<int32_t>::max()) {
        LabelEstimate += kTooManyNote;
      }
    }
  } catch (const AppError& refusal) {
    LabelEstimate = refusal.what();  // a zoom outside the grid
  }
  ShowCost();
}

std::optional<int64_t> TfrmSelectArea::TileCount() const {
  if (!Area || !Zoom) {
    return std::nullopt;
  }
  // The texts OK writes, read back as Start reads them: the count is the task's.
  TaskParameters request;
  request.LeftLongitude = ReadText(LeftText);
  request.RightLongitude = ReadText(RightText);
  request.TopLatitude = ReadText(TopText);
  request.BottomLatitude = ReadText(BottomText);
  request.Zoom = *Zoom;
  request.MapsType = source_.MapsType;
  return TileRangeOf(request).Count();
}

void TfrmSelectArea::SetPolygon(std::vector<GeoPoint> corners, bool closed) {
  PolygonCorners = std::move(corners);
  PolygonClosed = closed && PolygonCorners.size() >= 3;
  ShowPolygon();
}

Shape TfrmSelectArea::DrawnShape() const {
  return Shape{"Drawn polygon", {{PolygonCorners, {}}}, {}, 0};
}

void TfrmSelectArea::ShowPolygon() {
  if (PolygonCorners.empty()) {
    ShowArea();  // the rectangle, if one was drawn, is the area again
    return;
  }
  ButtonOKEnabled = false;
  LabelCost.clear();
  if (!PolygonClosed) {
    LabelEstimate = "Click the next corner; click the first one or press Enter to close "
                    "the polygon, Backspace removes the last.";
    return;
  }
  if (!ShapeProblem(DrawnShape()).empty()) {
    LabelEstimate = "The polygon crosses itself: drag a corner so that its edges do not cross.";
    return;
  }
  ButtonOKEnabled = true;
  LabelEstimate.clear();
  if (Zoom && *Zoom >= 0 && *Zoom <= 30) {
    const int64_t tiles = ShapeCoverage(DrawnShape(), *Zoom).CoveredCount();
    LabelEstimate = EstimateText(EstimateDownload(tiles, source_.Workers, source_.Pause));
    ShowCost();
  }
}

void TfrmSelectArea::SetTileSizes(KnownTileSizes sizes) {
  sizes_ = std::move(sizes);
  RefreshCost();
}

void TfrmSelectArea::WeighCost() {
  ShowCost(true);
}

void TfrmSelectArea::RefreshCost() {
  ShowCost();
}

std::optional<TaskParameters> TfrmSelectArea::AreaRequest() const {
  if (!Zoom) {
    return std::nullopt;
  }
  TaskParameters request;
  if (!PolygonCorners.empty()) {
    if (!PolygonClosed || !ShapeProblem(DrawnShape()).empty()) {
      return std::nullopt;
    }
    TakeShapeArea(request, DrawnShape());
  } else if (Area) {
    request.LeftLongitude = ReadText(LeftText);
    request.RightLongitude = ReadText(RightText);
    request.TopLatitude = ReadText(TopText);
    request.BottomLatitude = ReadText(BottomText);
  } else {
    return std::nullopt;
  }
  request.Zoom = *Zoom;
  request.MapsType = source_.MapsType;
  request.SavePath = form_.Edit6;
  return request;
}

void TfrmSelectArea::ShowCost(bool want) {
  LabelCost.clear();
  const std::optional<TaskParameters> area = AreaRequest();
  if (!area) {
    return;
  }
  if (!statedFault_.empty()) {
    LabelCost = statedFault_;
    return;
  }
  EstimateRequest request;
  request.Params = *area;
  request.FirstZoom = *Zoom;
  request.LastZoom = std::max(*Zoom, LastZoom.value_or(*Zoom));
  request.Workers = source_.Workers;
  request.Pause = source_.Pause;
  request.AverageTileKB = statedKB_;
  std::vector<TileId> lacking;
  if (sizes_.Lookup) {
    request.Probe = [this, &lacking](int32_t x, int32_t y, int32_t zoom) {
      const TileId tile{zoom, x, y};
      const std::optional<std::optional<uint64_t>> size = sizes_.Lookup(tile);
      if (!size) {
        lacking.push_back(tile);
        return std::optional<uint64_t>();
      }
      return *size;
    };
  }
  try {
    JobEstimate estimate = EstimateJob(request);
    if (want && sizes_.Want) {
      sizes_.Want(lacking);
    }
    const bool weighing = !lacking.empty() && sizes_.Want;
    if (form_.Edit6.empty()) {
      estimate.Folder.clear();  // no folder to tell the free space of
    }
    LabelCost = AreaCostText(estimate, weighing);
  } catch (const AppError&) {
    // A zoom outside the grid: the estimate's line says so already.
  }
}

void TfrmSelectArea::ButtonOKClick() {
  if (PolygonClosed) {
    form_.UseShape(DrawnShape(), "drawn on the map");
    return;
  }
  if (!Area) {
    return;
  }
  if (form_.AreaShape) {
    form_.ButtonRectangleClick();
  }
  form_.Edit1 = LeftText;
  form_.Edit3 = RightText;
  form_.Edit2 = TopText;
  form_.Edit4 = BottomText;
}

}  // namespace kartovel
