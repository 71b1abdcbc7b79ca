// How a download worker sorts the failure of one tile request: the class decides whether
// the tile is asked for again, after what pause, and what happens when it is given up.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "download/HttpClient.h"

namespace kartovel {

// The line that tells the user the tile service turns this client away.
inline constexpr char kBannedLine[] = "Error: may be your IP is banned.\nPlease try again later.";

// A peer that resets every connection must not hold a fetch on one tile for ever: past
// this many repeats the tile is given up.
inline constexpr int32_t kMaxResetRepeats = 20;

// The longest wait a server's Retry-After is followed for: a longer wish waits this long.
inline constexpr std::chrono::seconds kMaxRetryAfter{600};

// The text the tests below look at: for an answer outside 2xx its status code alone,
// never the words the server chose for its reason phrase; else the client's whole text.
std::string ClassifiedText(const HttpFailure& failure);

// A connection reset ("10054" in the classified text).
bool MeansConnectionReset(std::string_view classifiedText);
// A redirect or a refusal ("302" or "403"): how the tile service turns away a client it
// has banned.
bool MeansRefused(std::string_view classifiedText);

enum class TileFailureClass {
  Reset,         // the peer reset or closed the connection: asked again at once
  AddressInUse,  // no local address free: asked again after a long pause
  Refused,       // the server turns the client away (redirect, forbidden): ends the worker
  Network,       // any other socket failure: ends the worker
  NotFound,      // the tile does not exist: the blank image, no failed-tile record
  Other,         // any other status: the blank image and a failed-tile record
  Bare,          // a failure that carries no text: treated like Other, with its own line
};

// The first matching test, in this order, on the classified text (case-sensitive):
// "10054" or "Connection Closed Gracefully"; "10048"; "302" or "403"; "Socket Error";
// "404" or "400"; anything else. An empty message is a bare failure.
TileFailureClass ClassifyTileFailure(const HttpFailure& failure);

// The pause before the next attempt of a tile that failed with this class.
std::chrono::milliseconds PauseBeforeRepeat(TileFailureClass failureClass);
// The same, or the wait a 429 or 503 answer asked for (up to kMaxRetryAfter) when that
// is longer: a busy server is given the time it asked for.
std::chrono::milliseconds PauseBeforeRepeat(TileFailureClass failureClass,
                                            const HttpFailure& failure);

// Reset and AddressInUse are asked again regardless of the attempt count.
bool IsRepeatedWithoutCount(TileFailureClass failureClass);

}  // namespace kartovel
