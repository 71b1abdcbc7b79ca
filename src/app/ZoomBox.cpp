// Zoom limits and typed zooms.
#include "app/ZoomBox.h"

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

}  // namespace kartovel
