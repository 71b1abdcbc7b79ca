// What a tile service said about a tile that lets the tile be asked for again cheaply:
// its entity tag, when it last changed and until when it stays fresh. Read from an
// answer's header lines, and turned back into the conditional header lines of a later
// request. A hostile server's values are checked here, once, for every caller.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kartovel {

// An entity tag longer than this is no tile's version: it is not kept (nor sent back).
inline constexpr std::size_t kMaxEntityTagBytes = 1024;
// The longest freshness a server's Cache-Control or Expires is believed for.
inline constexpr int64_t kMaxFreshSeconds = int64_t{365} * 24 * 3600;

// The header lines of an answer that matter for revalidation, as the server sent them.
struct ValidatorHeaders {
  std::optional<std::string> ETag;
  std::optional<std::string> LastModified;
  std::optional<std::string> CacheControl;
  std::optional<std::string> Expires;
};

struct TileValidators {
  std::string ETag;                    // empty: none usable
  std::optional<int64_t> LastModified;  // seconds since 1970 (UTC)
  std::optional<int64_t> Expires;       // seconds since 1970 (UTC); none: no freshness said
  bool Empty() const { return ETag.empty() && !LastModified; }
};

// The usable values of headers received at fetchedAt. An entity tag of more than
// kMaxEntityTagBytes or with a control character is refused; a Last-Modified that cannot
// be read, or that lies after fetchedAt, is ignored; max-age (which wins over Expires) and
// Expires are capped at kMaxFreshSeconds after fetchedAt.
TileValidators ValidatorsOf(const ValidatorHeaders& headers, std::time_t fetchedAt);

// Whether an entity tag as sent can be kept and sent back.
bool IsUsableEntityTag(std::string_view tag);

// A time as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT").
std::string HttpDateText(int64_t seconds);

// The conditional header lines of a request for a tile with these validators: none, one
// or both of "If-None-Match: ..." and "If-Modified-Since: ...".
std::vector<std::string> ConditionalHeaderLines(const TileValidators& validators);

}  // namespace kartovel
