// Request handling of the demo tile service.
#include "tileserver/TileService.h"

#include "tileserver/TileImage.h"

namespace kartovel::tileserver {

loopback::Reply ServeTileRequest(const loopback::Request& request) {
  if (request.Method() != "GET") {
    return {loopback::ResponseBytes(405, "text/plain", "only GET is served\n", {"Allow: GET"})};
  }
  const auto tile = ParseTileTarget(request.Target());
  if (!tile) {
    return {loopback::ResponseBytes(404, "text/plain", "no such tile\n")};
  }
  return {loopback::ResponseBytes(200, "image/png", RenderTilePng(*tile))};
}

}  // namespace kartovel::tileserver
