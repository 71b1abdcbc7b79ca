// The standard web map tile grid on the map plane: 2^zoom by 2^zoom square tiles over
// the whole Web Mercator square, rows counted from the north. A map window shows the
// grid's tiles at the zoom whose tiles are drawn nearest their own 256 pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/MapView.h"
#include "geometry/TileId.h"

namespace kartovel::tools {

inline constexpr double kGridTilePixels = 256;

// Half the side of the Web Mercator square, in metres.
double WorldHalfSide();
// The whole Web Mercator square.
MapRect WorldRect();

// The zoom whose tiles are drawn nearest their own size at a scale, from 0 to maxZoom.
int32_t GridZoomFor(double metresPerPixel, int32_t maxZoom);

MapRect GridTileRect(const TileId& tile);

// The grid's tiles at zoom that the view shows, nearest the view's middle first.
std::vector<TileId> GridTilesInView(const MapView& view, int32_t zoom);

}  // namespace kartovel::tools
