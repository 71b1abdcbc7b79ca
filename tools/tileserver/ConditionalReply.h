// A reply that says which version of a resource it carries (ETag, Last-Modified,
// Cache-Control) and answers a conditional request for the version the client holds
// with 304 Not Modified, as a tile service that supports revalidation does.
#pragma once

#include <string>
#include <string_view>

#include "tileserver/HttpMessage.h"

namespace kartovel::loopback {

struct ResourceVersion {
  std::string ETag;          // as sent, quotes included; empty: none sent
  std::string LastModified;  // an HTTP date; empty: none sent
  std::string CacheControl;  // empty: none sent
};

// Whether the request asks about the version the server has: If-None-Match naming its
// tag (or "*"); without If-None-Match, If-Modified-Since at or after its Last-Modified.
bool HoldsCurrentVersion(const Request& request, const ResourceVersion& version);

// 304 (no body) when HoldsCurrentVersion, else 200 with the body; both with the version's
// header lines.
Reply VersionedReply(const Request& request, std::string_view contentType, std::string_view body,
                     const ResourceVersion& version);

}  // namespace kartovel::loopback
