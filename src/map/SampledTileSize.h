// The size of a tile of the area as the source sends it, for an estimate: from the map
// windows' disk cache when a window has shown it, else fetched through the source's own
// request profile (and then cached, so the window and the next estimate need not ask).
#pragma once

#include <memory>

#include "download/HttpClient.h"
#include "map/JobEstimate.h"
#include "map/TileDiskCache.h"
#include "map/TileSource.h"

namespace kartovel {

// A probe over source; cache may be null. The probe is used on one thread at a time; an
// answer that is no image, or a source that cannot be fetched from, gives none.
TileSizeProbe SampledTileSize(TileSource source, HttpClientFactory makeClient,
                              std::shared_ptr<TileDiskCache> cache);

}  // namespace kartovel
