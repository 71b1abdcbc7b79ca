// The main window's zoom boxes: the levels the chosen source serves, and a typed zoom taken
// or refused with the sentence the status line shows.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "task/MapSource.h"

namespace kartovel {

// The built-in map type's spinner limits.
inline constexpr int32_t kLowestZoom = 1;
inline constexpr int32_t kHighestZoom = 19;

// The spinner's limits for the built-in map type, the source's own levels for the others.
std::pair<int32_t, int32_t> SourceZoomLimits(const MapSource& source);

// The zoom a box's text names, within limits; else the refusal ("Zoom level "x" refused:
// it must be a number from 1 to 19.").
std::variant<int32_t, std::string> ReadTypedZoom(const std::string& typed,
                                                 std::pair<int32_t, int32_t> limits);

}  // namespace kartovel
