// Request handling of the demo tile service, which answers revalidation as well.
#include "tileserver/TileService.h"

#include <cstdint>
#include <cstdio>

#include "tileserver/ConditionalReply.h"
#include "tileserver/TileImage.h"

namespace kartovel::tileserver {

namespace {

// A tile's version: a tag of its bytes, so a client that revalidates hears 304 for as
// long as the service draws the tile the same way.
loopback::ResourceVersion VersionOf(const std::string& png) {
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const char c : png) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  }
  char tag[24];
  std::snprintf(tag, sizeof tag, "\"%016llx\"", static_cast<unsigned long long>(hash));
  return {tag, "Mon, 01 Jan 2024 00:00:00 GMT", "max-age=86400"};
}

}  // namespace

loopback::Reply ServeTileRequest(const loopback::Request& request) {
  if (request.Method() != "GET") {
    return {loopback::ResponseBytes(405, "text/plain", "only GET is served\n", {"Allow: GET"})};
  }
  const auto tile = ParseTileTarget(request.Target());
  if (!tile) {
    return {loopback::ResponseBytes(404, "text/plain", "no such tile\n")};
  }
  const std::string png = RenderTilePng(*tile);
  return loopback::VersionedReply(request, "image/png", png, VersionOf(png));
}

}  // namespace kartovel::tileserver
