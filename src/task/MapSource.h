// One row of the map-type table: where a map type's tiles come from, how they are named
// and how politely they are fetched. Map type 3 is built in; the others are the sources
// the user describes in ini/sources.ini, with a URL template expanded per tile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

struct MapSource {
  int32_t MapsType = 3;
  std::string Name;        // shown to the user
  std::string Url;         // the template; empty for the built-in map type
  std::string Prefix;      // tile file names: prefix_x_y_zoom.extension
  std::string Extension;   // "png", "jpg" or "webp"
  std::string Subdomains;  // one letter or digit per subdomain, for {s}
  std::string UserAgent;   // request headers of a source (the built-in has its own profile)
  std::string Referer;     // empty: none sent
  // Who the tiles are credited to, written into an MBTiles export; empty: none named.
  std::string Attribution{};
  int32_t MinZoom = 0;
  int32_t MaxZoom = 19;
  int32_t Workers = 2;
  int32_t PauseMs = 1000;  // after every fetched tile
  // The service's own terms: the most tiles it lets one job ask for (0: no such limit),
  // and its usage policy as a URL or a sentence (empty: none named).
  int32_t MaxTilesPerJob = 0;
  std::string Policy{};

  bool operator==(const MapSource&) const = default;
};

inline constexpr int32_t kBuiltInMapsType = 3;
inline constexpr char kBuiltInSourceName[] = "Orvex Maps";
inline constexpr char kBuiltInPrefix[] = "qn";
inline constexpr char kBuiltInExtension[] = "png";

// Map type 3 as the program has always fetched it: "qn" PNG tiles, eight workers, one
// second between tiles, any zoom of the grid.
MapSource BuiltInMapSource();

bool IsBuiltIn(const MapSource& source);

// The URL of one tile from a template. Fields: {x} column, {y} row from the north as the
// task counts it, {-y} row from the south (TMS), {z} zoom, {s} one of the subdomains
// (chosen by x + y modulo their count), {q} the quadkey. Other text is copied as it is.
std::string ExpandTileUrl(std::string_view urlTemplate, std::string_view subdomains, int32_t x,
                          int32_t y, int32_t zoom);

// The quadkey of a tile: one digit per zoom level, most significant level first.
std::string Quadkey(int32_t x, int32_t y, int32_t zoom);

// Why a template cannot serve as a source's Url, or nothing when it can: it must begin
// with http:// or https:// and a host, hold no blank, use known fields only, address a
// column and a row ({x} with {y} or {-y}) or use {q}, and name subdomains for {s}.
std::optional<std::string> UrlTemplateFault(std::string_view urlTemplate,
                                            std::string_view subdomains);

}  // namespace kartovel
