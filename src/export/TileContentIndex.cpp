// The content index: hash buckets confirmed by the stored bytes.
#include "export/TileContentIndex.h"

#include <string_view>

namespace kartovel {

namespace {

uint64_t HashOf(std::string_view bytes) {
  return std::hash<std::string_view>{}(bytes) ^ (uint64_t{bytes.size()} * 0x9E3779B97F4A7C15ULL);
}

}  // namespace

std::optional<int64_t> TileContentIndex::Find(
    std::string_view bytes, const std::function<bool(int64_t id)>& storedEquals) const {
  const auto [first, last] = byHash_.equal_range(HashOf(bytes));
  for (auto match = first; match != last; ++match) {
    if (storedEquals(match->second)) {
      return match->second;
    }
  }
  return std::nullopt;
}

void TileContentIndex::Add(std::string_view bytes, int64_t id) {
  byHash_.emplace(HashOf(bytes), id);
}

}  // namespace kartovel
