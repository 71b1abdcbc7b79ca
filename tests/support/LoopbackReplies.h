// Ready-made replies for the loopback test servers: complete responses and the ways a
// server can fail (reset, close without reply, short body, stall, headers cut short).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "tileserver/HttpMessage.h"

namespace kartovel::testing {

using loopback::Reply;
using loopback::Request;

// A valid 1 x 1 PNG image: the body of an ordinary tile answer.
const std::string& SmallPng();
// The start of a PNG image of the given size: its signature and header chunk, enough
// for a content check that reads only those. Distinct sizes give distinct bodies.
std::string PngStart(uint32_t width, uint32_t height);

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

// How a streamed 200 answer says where its body ends.
enum class BodyFraming { ContentLength, Chunked, UntilClose };
// A 200 answer whose body of bodyBytes is made while it is sent, 64 KB at a time, so
// that a gigabyte costs the server no memory. sentBytes, when given, counts the body
// bytes handed to the connection.
Reply StreamedBodyReply(uint64_t bodyBytes, BodyFraming framing,
                        std::shared_ptr<std::atomic<uint64_t>> sentBytes = nullptr);
// A 200 answer announcing a megabyte that sends its body 2 bytes every `interval`.
Reply TrickleReply(std::chrono::milliseconds interval);

}  // namespace kartovel::testing
