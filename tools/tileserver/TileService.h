// The demo tile service's answer to one request: a labelled PNG tile for either tile path
// (with its version: ETag, Last-Modified, max-age; 304 to a request for the version held),
// 404 for anything else.
#pragma once

#include "tileserver/HttpMessage.h"

namespace kartovel::tileserver {

loopback::Reply ServeTileRequest(const loopback::Request& request);

}  // namespace kartovel::tileserver
