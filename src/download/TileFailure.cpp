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

}  // namespace kartovel
