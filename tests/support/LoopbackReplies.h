// Ready-made replies for the loopback test servers: complete responses and the ways a
// server can fail (reset, close without reply, short body, stall, headers cut short).
#pragma once

#include <chrono>
#include <string>

#include "tileserver/HttpMessage.h"

namespace kartovel::testing {

using loopback::Reply;
using loopback::Request;

// A valid 1 x 1 PNG image: the body of an ordinary tile answer.
const std::string& SmallPng();

// A complete response with the status's usual reason phrase; the connection stays open.
// A 302 carries a Location header.
Reply StatusReply(int status, std::string body = "");
// 200 with an image/png body.
Reply PngReply(std::string png = SmallPng());
// The connection is reset (RST) without any reply.
Reply ResetReply();
// The connection is closed (FIN) without any reply.
Reply CloseReply();
// A 200 head announcing declaredLength bytes, then only `sent`, then FIN.
Reply ShortBodyReply(std::string sent, std::size_t declaredLength);
// Like ShortBodyReply, but the connection is reset after the bytes.
Reply ResetMidBodyReply(std::string sent, std::size_t declaredLength);
// Only the status line (with its CR LF), then FIN.
Reply StatusLineOnlyReply(int status = 200);
// Nothing at all for `span`, then FIN. Ends early when the server stops.
Reply StallReply(std::chrono::milliseconds span);
// A complete response sent only after `delay`.
Reply DelayedReply(Reply reply, std::chrono::milliseconds delay);

}  // namespace kartovel::testing
