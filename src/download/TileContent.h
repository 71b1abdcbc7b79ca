// What a response body must be before it is saved as a tile: an image of the tile's file
// type (the checks themselves lie in task/TileContent, the export uses them too), and the
// failure a body that is none becomes.
#pragma once

#include <optional>
#include <string_view>

#include "download/HttpClient.h"
#include "task/TileContent.h"

namespace kartovel {

// No value when the body may be saved as a tile with that extension; else the failure,
// "Error: the server's answer is not a PNG image." (or JPEG, WebP: a text of the "other"
// class).
std::optional<HttpFailure> CheckTileContent(std::string_view extension, std::string_view body);

}  // namespace kartovel
