// Which tile contents an archive already holds, so that identical tiles (blank sea,
// empty land) are stored once. Only a hash and an id are kept per content, in a scratch
// database rather than in memory, so an archive of millions of tiles takes no more
// memory than one of thousands; a hash match is confirmed against the stored bytes, so
// two different tiles are never merged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "export/ScratchDatabase.h"

namespace kartovel {

class TileContentIndex {
 public:
  // failureText begins the message of every failure, for example "Cannot write file
  // <target>" (the scratch database may meet a full disk).
  explicit TileContentIndex(std::string failureText);

  // The id of a stored content equal to bytes; storedEquals(id) compares the bytes with
  // the content stored under id.
  std::optional<int64_t> Find(std::string_view bytes,
                              const std::function<bool(int64_t id)>& storedEquals);
  void Add(std::string_view bytes, int64_t id);
  int64_t Count() const { return count_; }

 private:
  ScratchDatabase scratch_;
  SqliteStatement& select_;
  SqliteStatement& insert_;
  int64_t count_ = 0;
};

}  // namespace kartovel
