// One line of the failed-tile file: the path a tile belongs at and the URL it is
// fetched from, joined by a single "|".
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

// A task's failed-tile file is its base name + this, beside its tile folder (base + "/").
inline constexpr char kFailedFileSuffix[] = "_failed.ftl";

struct FailedRecord {
  std::string TilePath;
  std::string TileUrl;
};

// TilePath + "|" + TileUrl, nothing around the bar.
std::string MakeFailedRecord(std::string_view tilePath, std::string_view url);

// Everything before the first "|" is the path, everything after it the URL (further bars
// belong to the URL); a line without a bar has an empty path and is all URL.
FailedRecord SplitFailedRecord(std::string_view line);

}  // namespace kartovel
