// How a download worker sorts the failure of one tile request: the class decides whether
// the tile is asked for again, after what pause, and what happens when it is given up;
// the failure table is the form in which every fetch states those choices.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
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

// A lasting address shortage must not hold a worker on one tile for ever: past these
// repeats the tile is given up like any failure.
inline constexpr int32_t kMaxAddressInUseRepeats = 5;

// The limited classes allow this many attempts of one tile, counting every attempt.
inline constexpr int32_t kAttemptsPerTile = 3;

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

// What a failure table does with one class of failure.
struct FailureRule {
  enum class Repeat {
    Never,           // given up at once
    WithinAttempts,  // asked again while the table's attempts last
    OwnBound,        // asked again up to Bound times, whatever the attempts
  };
  Repeat Kind = Repeat::Never;
  int32_t Bound = 0;            // OwnBound: the repeats before it is given up
  std::chrono::milliseconds Pause{0};  // before the next attempt
};

inline constexpr std::size_t kTileFailureClassCount =
    static_cast<std::size_t>(TileFailureClass::Bare) + 1;

struct FailureTable {
  // Sorts a failure into its class; every class has its rule below.
  TileFailureClass (*Classify)(const HttpFailure&) = ClassifyTileFailure;
  std::array<FailureRule, kTileFailureClassCount> Rules{};
  int32_t Attempts = 1;  // of one tile in all, every attempt counted
  // A busy server's Retry-After lengthens a pause (up to kMaxRetryAfter); a wait so
  // lengthened is slept in steps that a stop ends.
  bool FollowsRetryAfter = false;
  // Once a stop is requested, a failure of an OwnBound class is given up at once.
  bool StopEndsRepeats = false;
  // The class a failure is given up as past its own bound (or ended by a stop).
  TileFailureClass PastBound = TileFailureClass::Other;

  const FailureRule& RuleOf(TileFailureClass failureClass) const {
    return Rules[static_cast<std::size_t>(failureClass)];
  }
};

// The download workers' table: every class but Reset and AddressInUse within
// kAttemptsPerTile attempts after the pauses above (a busy server's wait followed), those
// two up to kMaxResetRepeats and kMaxAddressInUseRepeats repeats (or a stop) and then
// given up like Other.
const FailureTable& WorkerFailureTable();

}  // namespace kartovel
