// Which tile contents an archive already holds, so that identical tiles (blank sea,
// empty land) are stored once. Only a hash and an id are kept per content; a hash match
// is confirmed against the stored bytes, so two different tiles are never merged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace kartovel {

class TileContentIndex {
 public:
  // The id of a stored content equal to bytes; storedEquals(id) compares the bytes with
  // the content stored under id.
  std::optional<int64_t> Find(std::string_view bytes,
                              const std::function<bool(int64_t id)>& storedEquals) const;
  void Add(std::string_view bytes, int64_t id);
  int64_t Count() const { return static_cast<int64_t>(byHash_.size()); }

 private:
  std::unordered_multimap<uint64_t, int64_t> byHash_;
};

}  // namespace kartovel
