// Sorting of tile request failures by their status code or the client's text.
#include "download/TileFailure.h"

#include <algorithm>

#include "common/Text.h"

namespace kartovel {

std::string ClassifiedText(const HttpFailure& failure) {
  return failure.Status != 0 ? std::to_string(failure.Status) : failure.Message;
}

bool MeansConnectionReset(std::string_view classifiedText) {
  return Contains(classifiedText, "10054");
}

bool MeansRefused(std::string_view classifiedText) {
  return Contains(classifiedText, "302") || Contains(classifiedText, "403");
}

TileFailureClass ClassifyTileFailure(const HttpFailure& failure) {
  if (failure.Message.empty() && failure.Status == 0) {
    return TileFailureClass::Bare;
  }
  const std::string text = ClassifiedText(failure);
  const std::string_view message = text;
  if (MeansConnectionReset(message) || Contains(message, "Connection Closed Gracefully")) {
    return TileFailureClass::Reset;
  }
  if (Contains(message, "10048")) {
    return TileFailureClass::AddressInUse;
  }
  if (MeansRefused(message)) {
    return TileFailureClass::Refused;
  }
  if (Contains(message, "Socket Error")) {
    return TileFailureClass::Network;
  }
  if (Contains(message, "404") || Contains(message, "400")) {
    return TileFailureClass::NotFound;
  }
  return TileFailureClass::Other;
}

std::chrono::milliseconds PauseBeforeRepeat(TileFailureClass failureClass) {
  using std::chrono::milliseconds;
  switch (failureClass) {
    case TileFailureClass::Reset:
      return milliseconds(0);
    case TileFailureClass::AddressInUse:
      return milliseconds(8000);
    case TileFailureClass::Network:
      return milliseconds(2000);
    case TileFailureClass::Refused:
    case TileFailureClass::NotFound:
    case TileFailureClass::Other:
    case TileFailureClass::Bare:
      return milliseconds(1000);
  }
  return milliseconds(1000);
}

std::chrono::milliseconds PauseBeforeRepeat(TileFailureClass failureClass,
                                            const HttpFailure& failure) {
  const std::chrono::milliseconds tablePause = PauseBeforeRepeat(failureClass);
  if (!failure.RetryAfter) {
    return tablePause;
  }
  const std::chrono::milliseconds asked = std::min(*failure.RetryAfter, kMaxRetryAfter);
  return std::max(tablePause, asked);
}

bool IsRepeatedWithoutCount(TileFailureClass failureClass) {
  return failureClass == TileFailureClass::Reset || failureClass == TileFailureClass::AddressInUse;
}

namespace {

FailureTable MakeWorkerFailureTable() {
  FailureTable table;
  table.Attempts = kAttemptsPerTile;
  table.FollowsRetryAfter = true;
  table.StopEndsRepeats = true;
  table.PastBound = TileFailureClass::Other;
  for (std::size_t index = 0; index < kTileFailureClassCount; ++index) {
    const auto failureClass = static_cast<TileFailureClass>(index);
    table.Rules[index] = {FailureRule::Repeat::WithinAttempts, 0, PauseBeforeRepeat(failureClass)};
  }
  const auto ownBound = [&table](TileFailureClass failureClass, int32_t bound) {
    table.Rules[static_cast<std::size_t>(failureClass)] = {FailureRule::Repeat::OwnBound, bound,
                                                          PauseBeforeRepeat(failureClass)};
  };
  ownBound(TileFailureClass::Reset, kMaxResetRepeats);
  ownBound(TileFailureClass::AddressInUse, kMaxAddressInUseRepeats);
  return table;
}

}  // namespace

const FailureTable& WorkerFailureTable() {
  static const FailureTable table = MakeWorkerFailureTable();
  return table;
}

}  // namespace kartovel
