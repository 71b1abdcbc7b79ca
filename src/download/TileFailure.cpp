// Sorting of tile request failures by the text of their message.
#include "download/TileFailure.h"

#include "common/Text.h"

namespace kartovel {

bool MeansConnectionReset(std::string_view message) {
  return Contains(message, "10054");
}

bool MeansRefused(std::string_view message) {
  return Contains(message, "302") || Contains(message, "403");
}

TileFailureClass ClassifyTileFailure(const HttpFailure& failure) {
  const std::string_view message = failure.Message;
  if (message.empty()) {
    return TileFailureClass::Bare;
  }
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

bool IsRepeatedWithoutCount(TileFailureClass failureClass) {
  return failureClass == TileFailureClass::Reset || failureClass == TileFailureClass::AddressInUse;
}

}  // namespace kartovel
