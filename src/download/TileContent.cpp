// A fetched body that fails its tile type's content check, as a fetch failure.
#include "download/TileContent.h"

#include <string>

namespace kartovel {

std::optional<HttpFailure> CheckTileContent(std::string_view extension, std::string_view body) {
  const TileContentCheck* check = ContentCheckFor(extension);
  if (check == nullptr || check->Accepts(body)) {
    return std::nullopt;
  }
  return HttpFailure{"Error: the server's answer is not a " + std::string(check->ImageKind) +
                     " image."};
}

}  // namespace kartovel
