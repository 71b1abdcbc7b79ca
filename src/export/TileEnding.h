// Whether a tile file ends as an image of its type ends: a PNG with its IEND chunk, a
// JPEG with its end-of-image marker, a WebP as long as its RIFF header says. A tile cut
// short by a full disk or a killed writer passes the check of its first bytes but not
// this one, and is left out of an export instead of landing in it damaged. Reading the
// end costs nothing beside the read itself, unlike decoding every tile.
#pragma once

#include <string_view>

namespace kartovel {

// True for an extension with no known ending.
bool EndsAsAWholeImage(std::string_view extension, std::string_view bytes);

}  // namespace kartovel
