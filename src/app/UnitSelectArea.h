// The map window that chooses the download area, as a model: the rectangle drawn on the
// map, its four coordinates as the main window's boxes will hold them, its tile count at
// the main window's zoom, how long a download of it takes with the source's workers and
// pause, the size of its tiles and the free space of the folder they would go to. OK
// writes the coordinates into the boxes; closing otherwise leaves them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "map/AreaRectangle.h"
#include "geometry/TileId.h"
#include "map/JobEstimate.h"
#include "map/TileSource.h"

namespace kartovel {

// The sizes of sampled tiles as the window knows them so far; neither call may block.
struct KnownTileSizes {
  // A tile's size once it was looked up (none inside: it could not be had); none before.
  std::function<std::optional<std::optional<uint64_t>>(const TileId&)> Lookup;
  // Fetches these tiles' sizes, in place of the tiles still waiting from an earlier wish.
  std::function<void(const std::vector<TileId>&)> Want;
};

class TfrmSelectArea {
 public:
  static constexpr int kDecimals = 6;

  // form must outlive the model. programFolder: where ini/sources.ini names the source's
  // stated average tile size; empty: no stated size is looked for.
  TfrmSelectArea(TForm1& form, TileSource source, std::string programFolder = {});

  const TileSource& Source() const { return source_; }

  // ---- Controls ----
  std::string Caption;
  std::optional<GeoArea> Area;  // none until one is drawn or read from the boxes
  std::optional<int32_t> Zoom;  // the main window's zoom; none when its box holds no integer
  // The last zoom of a range the cost line weighs zoom by zoom; none: Zoom alone. Set by
  // a front end that offers a range; FormShow leaves it.
  std::optional<int32_t> LastZoom;
  // The coordinates as OK writes them (six decimals); empty while there is no area.
  std::string LeftText;
  std::string RightText;
  std::string TopText;
  std::string BottomText;
  // "744 tiles, about 1 min 33 s with 8 workers", or what to do while there is no area.
  std::string LabelEstimate;
  // "About 12 MB; 41 GB free in /home/user/maps/": the size of the area's tiles (per zoom
  // for several) and the free space of the path box's folder; empty while there is no
  // area to weigh.
  std::string LabelCost;
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
  // Where the size comes from when the source states none: sampled tiles as they arrive.
  // While the area changes the cost line shows what is known; WeighCost, which the view
  // calls once the area has stayed still a moment, asks for the tiles it lacks, and
  // RefreshCost shows the line again when another tile's size is known.
  void SetTileSizes(KnownTileSizes sizes);
  void WeighCost();
  void RefreshCost();

  // The tiles a task of the boxes OK writes would download; none without an area or zoom.
  std::optional<int64_t> TileCount() const;

 private:
  void ShowArea();
  void ShowPolygon();
  Shape DrawnShape() const;
  // The area as an estimate's request: the rectangle OK writes, or the closed polygon.
  std::optional<TaskParameters> AreaRequest() const;
  // The cost line; with want, the tiles whose sizes it lacks are asked for.
  void ShowCost(bool want = false);

  TForm1& form_;
  TileSource source_;
  std::string programFolder_;
  // The source's AverageTileKB, or the sentence naming a value that is no size; read by
  // FormShow.
  std::optional<double> statedKB_;
  std::string statedFault_;
  KnownTileSizes sizes_;
};

// A coordinate as the map window writes it into a box: six decimals, a point, no "-0".
std::string CoordinateText(double degrees);

}  // namespace kartovel
