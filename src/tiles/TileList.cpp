// Parsing of the tile list file, streamed line by line so that a large list costs only
// its entries.
#include "tiles/TileList.h"

#include <charconv>
#include <fstream>

#include "common/Error.h"
#include "common/Text.h"

namespace kartovel::tools {
namespace {

constexpr std::string_view kHeadingStart = "ImageFileName";

// The edges a tile of the grid can have: longitudes from -180 up to the east edge of the
// column beyond the grid at zoom 0, latitudes short of the poles, where the map plane
// ends. Anything else would put the tile at no place or at infinity.
constexpr double kMinLongitude = -180;
constexpr double kMaxLongitude = 540;
constexpr double kPoleLatitude = 90;

bool IsLongitude(double value) {
  return value >= kMinLongitude && value <= kMaxLongitude;
}

bool IsLatitude(double value) {
  return value > -kPoleLatitude && value < kPoleLatitude;
}

template <typename Number>
bool ParseWhole(std::string_view text, Number& value) {
  if (text.empty()) {
    return false;
  }
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Reads the next blank-separated number and moves the text past it.
bool TakeNumber(std::string_view& text, double& value) {
  text = TrimLeadingBlanks(text);
  if (text.empty()) {
    return false;
  }
  size_t end = text.find_first_of(" \t");
  std::string_view word = text.substr(0, end);
  text.remove_prefix(word.size());
  return ParseWhole(word, value);
}

}  // namespace

std::optional<TileId> ParseTileName(std::string_view name) {
  size_t dot = name.rfind('.');
  std::string_view stem = name.substr(0, dot);
  TileId parsed;
  int32_t* fields[] = {&parsed.Zoom, &parsed.Y, &parsed.X};
  for (int32_t* field : fields) {
    size_t underscore = stem.rfind('_');
    if (underscore == std::string_view::npos || !ParseWhole(stem.substr(underscore + 1), *field)) {
      return std::nullopt;
    }
    stem = stem.substr(0, underscore);
  }
  return parsed;
}

std::optional<TileEntry> ParseTileListLine(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    return std::nullopt;
  }
  TileEntry entry;
  entry.name = std::string(TrimBlanks(line.substr(0, colon), kLineBlanks));
  const std::optional<TileId> tile = ParseTileName(entry.name);
  if (!tile) {
    return std::nullopt;
  }
  entry.Tile = *tile;
  std::string_view numbers = line.substr(colon + 1);
  for (double* edge : {&entry.west, &entry.east, &entry.north, &entry.south}) {
    if (!TakeNumber(numbers, *edge)) {
      return std::nullopt;
    }
  }
  if (!TrimBlanks(numbers, kLineBlanks).empty() || !IsLongitude(entry.west) ||
      !IsLongitude(entry.east) || !IsLatitude(entry.north) || !IsLatitude(entry.south)) {
    return std::nullopt;
  }
  return entry;
}

std::vector<TileEntry> ReadTileList(const std::string& listFile) {
  std::ifstream file(listFile, std::ios::binary);
  if (!file) {
    throw CannotOpenFile(listFile);
  }
  std::vector<TileEntry> tiles;
  std::string line;
  for (int64_t lineNumber = 1; std::getline(file, line); ++lineNumber) {
    std::string_view content = TrimBlanks(line, kLineBlanks);
    if (content.empty() || content.starts_with(kHeadingStart)) {
      continue;
    }
    std::optional<TileEntry> entry = ParseTileListLine(content);
    if (!entry) {
      throw AppError("Line " + std::to_string(lineNumber) + " of " + listFile +
                     " is not a tile line: " + std::string(content.substr(0, 120)));
    }
    tiles.push_back(std::move(*entry));
  }
  if (file.bad()) {
    throw CannotOpenFile(listFile);
  }
  return tiles;
}

}  // namespace kartovel::tools
