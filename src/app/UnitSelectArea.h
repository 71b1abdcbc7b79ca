// The map window that chooses the download area, as a model: the rectangle drawn on the
// map, its four coordinates as the main window's boxes will hold them, its tile count at
// the main window's zoom and how long a download of it takes with the source's workers
// and pause. OK writes the coordinates into the boxes; closing otherwise leaves them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "map/AreaRectangle.h"
#include "map/TileSource.h"

namespace kartovel {

class TfrmSelectArea {
 public:
  static constexpr int kDecimals = 6;

  // form must outlive the model.
  TfrmSelectArea(TForm1& form, TileSource source);

  const TileSource& Source() const { return source_; }

  // ---- Controls ----
  std::string Caption;
  std::optional<GeoArea> Area;  // none until one is drawn or read from the boxes
  std::optional<int32_t> Zoom;  // the main window's zoom; none when its box holds no integer
  // The coordinates as OK writes them (six decimals); empty while there is no area.
  std::string LeftText;
  std::string RightText;
  std::string TopText;
  std::string BottomText;
  // "744 tiles, about 1 min 33 s with 8 workers", or what to do while there is no area.
  std::string LabelEstimate;
  bool ButtonOKEnabled = false;
  // The task file of the main window's task name and folder: the tiles it downloaded are
  // shown on the map. Empty when either box is empty.
  std::string DownloadedTaskFile;

  // The polygon of the polygon tool: its corners, and whether it was closed. A closed
  // polygon is the area OK hands to the main window, in place of the rectangle.
  std::vector<GeoPoint> PolygonCorners;
  bool PolygonClosed = false;

  // ---- Handlers ----
  // Reads the main window: the zoom, the task, and the rectangle its boxes hold when they
  // hold one that Start would accept.
  void FormShow();
  // A rectangle drawn or changed on the map; it is kept inside the accepted ranges.
  void SetArea(const GeoArea& area);
  // The polygon drawn or changed on the map.
  void SetPolygon(std::vector<GeoPoint> corners, bool closed);
  // Writes the four coordinates into the main window's boxes, or makes the closed polygon
  // the main window's area.
  void ButtonOKClick();

  // The tiles a task of the boxes OK writes would download; none without an area or zoom.
  std::optional<int64_t> TileCount() const;

 private:
  void ShowArea();
  void ShowPolygon();
  Shape DrawnShape() const;

  TForm1& form_;
  TileSource source_;
};

// A coordinate as the map window writes it into a box: six decimals, a point, no "-0".
std::string CoordinateText(double degrees);

}  // namespace kartovel
