// Zoom limits and typed zooms.
#include "app/ZoomBox.h"

#include <algorithm>

#include "common/Text.h"

namespace kartovel {

std::pair<int32_t, int32_t> SourceZoomLimits(const MapSource& source) {
  if (IsBuiltIn(source)) {
    return {kLowestZoom, kHighestZoom};
  }
  return {source.MinZoom, source.MaxZoom};
}

std::variant<int32_t, std::string> ReadTypedZoom(const std::string& typed,
                                                 std::pair<int32_t, int32_t> limits) {
  const auto [lowest, highest] = limits;
  const std::string digits(TrimBlanks(typed, kSpaces));
  const bool number = !digits.empty() && digits.size() <= 2 &&
                      digits.find_first_not_of("0123456789") == std::string::npos;
  const int32_t zoom = number ? std::stoi(digits) : -1;
  if (number && zoom >= lowest && zoom <= highest) {
    return zoom;
  }
  return "Zoom level \"" + typed + "\" refused: it must be a number from " +
         std::to_string(lowest) + " to " + std::to_string(highest) + ".";
}

namespace {

// The two zooms placed, the boxes showing them.
ZoomRow Placed(ZoomRow row, int32_t first, int32_t last) {
  row.First = first;
  row.Last = last > first ? std::optional(last) : std::nullopt;
  row.FirstText = std::to_string(first);
  row.LastText = std::to_string(std::max(first, last));
  return row;
}

ZoomRow MovedFirst(ZoomRow row, int32_t zoom) {
  const int32_t first = std::clamp(zoom, kLowestZoom, kHighestZoom);
  return Placed(row, first, row.Last ? std::max(first, *row.Last) : first);
}

ZoomRow MovedLast(ZoomRow row, int32_t zoom, int32_t highest) {
  const int32_t first = row.First;
  return Placed(row, first, std::clamp(zoom, first, std::max(first, highest)));
}

}  // namespace

int32_t LastZoomOf(const ZoomRow& row) {
  return std::max(row.First, row.Last.value_or(row.First));
}

ZoomRow StepZoom(ZoomRow row, ZoomEnd end, int32_t step, int32_t highest) {
  row.Refusal.clear();
  if (end == ZoomEnd::First) {
    return MovedFirst(row, row.First + step);
  }
  return MovedLast(row, LastZoomOf(row) + step, highest);
}

ZoomRow TakeTypedZoom(ZoomRow row, ZoomEnd end, std::pair<int32_t, int32_t> limits) {
  const bool first = end == ZoomEnd::First;
  if (!first) {
    limits.first = row.First;
  }
  const auto typed = ReadTypedZoom(first ? row.FirstText : row.LastText, limits);
  if (const auto* zoom = std::get_if<int32_t>(&typed)) {
    row.Refusal.clear();
    if (!first) {
      return MovedLast(row, *zoom, limits.second);
    }
    // A source's zoom above the spinner's reach stands in the box as typed.
    row = MovedFirst(row, *zoom);
    row.FirstText = std::to_string(*zoom);
    return row;
  }
  row.Refusal = std::get<std::string>(typed);
  return Placed(row, row.First, LastZoomOf(row));
}

ZoomRow OpenedTaskZoom(int32_t zoom) {
  ZoomRow row;
  row = Placed(row, std::clamp(zoom, kLowestZoom, kHighestZoom), kLowestZoom);
  row.FirstText = std::to_string(zoom);
  return row;
}

}  // namespace kartovel
