// Parsing of tile request targets.
#include "tileserver/TileAddress.h"

#include <charconv>

namespace kartovel::tileserver {
namespace {

constexpr std::string_view kTilePath = "/hx/tl";

// Drops "http://host[:port]" from an absolute-form target (requests sent through a proxy).
std::string_view OriginForm(std::string_view target) {
  const auto scheme = target.find("://");
  if (scheme == std::string_view::npos ||
      target.substr(0, scheme).find('/') != std::string_view::npos) {
    return target;
  }
  const auto path = target.find('/', scheme + 3);
  return path == std::string_view::npos ? std::string_view{} : target.substr(path);
}

std::optional<int64_t> QueryInteger(std::string_view query, std::string_view key) {
  while (!query.empty()) {
    const auto end = query.find('&');
    const auto pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view{} : query.substr(end + 1);
    const auto equals = pair.find('=');
    if (equals == std::string_view::npos || pair.substr(0, equals) != key) {
      continue;
    }
    const auto text = pair.substr(equals + 1);
    int64_t value = 0;
    const auto [last, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || last != text.data() + text.size()) {
      return std::nullopt;
    }
    return value;
  }
  return std::nullopt;
}

// The next "/"-separated part of an XYZ path as a number of decimal digits.
std::optional<int64_t> TakePathNumber(std::string_view& path, std::string_view end) {
  const auto stop = path.find(end);
  const auto digits = path.substr(0, stop);
  if (stop == std::string_view::npos || digits.empty() ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  int64_t value = 0;
  const auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{}) {
    return std::nullopt;
  }
  path.remove_prefix(stop + end.size());
  return value;
}

// "/{z}/{x}/{y}.png".
std::optional<TileId> ParseXyzPath(std::string_view path) {
  if (!path.starts_with('/')) {
    return std::nullopt;
  }
  path.remove_prefix(1);
  const auto zoom = TakePathNumber(path, "/");
  const auto column = TakePathNumber(path, "/");
  const auto row = TakePathNumber(path, ".png");
  if (!zoom || !column || !row || !path.empty() || *zoom > kMaxZoom) {
    return std::nullopt;
  }
  const int64_t tilesPerSide = int64_t{1} << *zoom;
  if (*column >= tilesPerSide || *row >= tilesPerSide) {
    return std::nullopt;
  }
  return TileId{static_cast<int32_t>(*zoom), static_cast<int32_t>(*column),
                static_cast<int32_t>(*row)};
}

}  // namespace

std::optional<TileId> ParseTileTarget(std::string_view target) {
  target = OriginForm(target);
  if (target.find('?') == std::string_view::npos && target.ends_with(".png")) {
    return ParseXyzPath(target);
  }
  const auto question = target.find('?');
  if (target.substr(0, question) != kTilePath || question == std::string_view::npos) {
    return std::nullopt;
  }
  const auto query = target.substr(question + 1);
  const auto column = QueryInteger(query, "x");
  const auto serviceRow = QueryInteger(query, "y");
  const auto serviceZoom = QueryInteger(query, "z");
  // The service's zoom is one more than the grid's; zoom 0 has no whole service rows.
  if (!column || !serviceRow || !serviceZoom || *serviceZoom < 2 || *serviceZoom > kMaxZoom + 1) {
    return std::nullopt;
  }
  const int zoom = static_cast<int>(*serviceZoom - 1);
  const int64_t tilesPerSide = int64_t{1} << zoom;
  if (*serviceRow < -tilesPerSide || *serviceRow > tilesPerSide) {
    return std::nullopt;
  }
  const int64_t row = tilesPerSide / 2 - *serviceRow - 1;
  if (*column < 0 || *column >= tilesPerSide || row < 0 || row >= tilesPerSide) {
    return std::nullopt;
  }
  return TileId{zoom, static_cast<int32_t>(*column), static_cast<int32_t>(row)};
}

}  // namespace kartovel::tileserver
