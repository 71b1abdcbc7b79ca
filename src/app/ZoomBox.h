// The main window's zoom boxes: the levels the chosen source serves, and a typed zoom taken
// or refused with the sentence the status line shows.
#pragma once

#include <cstdint>
#include <optional>
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

// The zoom row: the first zoom's box and spinner, and the last's ("to"), never below it and
// none while it is the same zoom, so that it follows the first and one zoom stays one run.
struct ZoomRow {
  std::string FirstText = "13";
  int32_t First = 13;
  std::string LastText = "13";
  std::optional<int32_t> Last;
  std::string Refusal;  // why a typed zoom was refused (for the status line), else empty
};

enum class ZoomEnd { First, Last };

// The row's last zoom: Last, or First when none.
int32_t LastZoomOf(const ZoomRow& row);
// A spinner's step (+1 or -1): the first stays within kLowestZoom..kHighestZoom, the last
// from the first up to highest. The box shows the spinner's zoom.
ZoomRow StepZoom(ZoomRow row, ZoomEnd end, int32_t step, int32_t highest);
// A box's text taken when the box is left: a zoom within limits (the last's from the first)
// moves its spinner; anything else is refused and the box shows its spinner's zoom again.
ZoomRow TakeTypedZoom(ZoomRow row, ZoomEnd end, std::pair<int32_t, int32_t> limits);
// An opened task's zoom: one zoom, the spinner within its limits, the first box showing
// the file's number as it is.
ZoomRow OpenedTaskZoom(int32_t zoom);

}  // namespace kartovel
