// What a map window needs of a map source: the address of a tile, the request profile
// to fetch it with, and the politeness of a download (workers, pause after each tile).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "download/HttpClient.h"

namespace kartovel {

struct TileSource {
  std::string Name;       // shown to the user
  std::string CacheName;  // names the source's part of the tile cache; empty: Name
  int32_t MapsType = 3;
  // The URL of tile (x, y) at a zoom, rows counted from the north.
  std::function<std::string(int32_t x, int32_t y, int32_t zoom)> TileUrl;
  HttpClientOptions Request;
  int32_t Workers = 8;
  std::chrono::milliseconds Pause{1000};
  int32_t MinZoom = 0;  // the service's zoom range: a map window draws within it
  int32_t MaxZoom = 19;
  // Why no tile can be fetched (a proxy that is on but cannot be used); empty when tiles
  // can be. Without a way to the service every tile is one that cannot be had.
  std::string FetchRefusal;
};

}  // namespace kartovel
