// Recognising tile file names.
#include "task/TileName.h"

#include <charconv>

namespace kartovel {

namespace {

// Reads one integer of a name up to the next stop character, exactly as the program
// writes integers; advances past it.
std::optional<int32_t> TakeInteger(std::string_view& rest, char stop) {
  const auto end = rest.find(stop);
  if (end == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view digits = rest.substr(0, end);
  int32_t value = 0;
  const auto [ptr, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || ptr != digits.data() + digits.size() ||
      std::to_string(value) != digits) {
    return std::nullopt;
  }
  rest.remove_prefix(end + 1);
  return value;
}

}  // namespace

bool IsTileName(std::string_view name, const TileNameKind& kind) {
  if (!name.starts_with(kind.Prefix) || name.size() == kind.Prefix.size() ||
      name[kind.Prefix.size()] != '_') {
    return false;
  }
  std::string_view rest = name.substr(kind.Prefix.size() + 1);
  const auto x = TakeInteger(rest, '_');
  const auto y = x ? TakeInteger(rest, '_') : std::nullopt;
  const auto zoom = y ? TakeInteger(rest, '.') : std::nullopt;
  return zoom && (!kind.Zoom || *zoom == *kind.Zoom) && rest == kind.Extension;
}

std::string TileNamePattern(const TileNameKind& kind) {
  const std::string zoom = kind.Zoom ? std::to_string(*kind.Zoom) : "<zoom>";
  return kind.Prefix + "_<x>_<y>_" + zoom + "." + kind.Extension;
}

}  // namespace kartovel
