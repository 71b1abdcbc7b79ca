// Runs window handlers under the general error display.
#include "app/HandlerGuard.h"

namespace kartovel {

bool RunHandler(Platform& platform, const std::function<void()>& handler) {
  std::string message;
  try {
    handler();
    return true;
  } catch (...) {
    message = CurrentErrorMessage();
  }
  // Shown outside the catch block so the exception's storage is released first, which
  // matters when it was memory that ran out.
  platform.ShowError(ErrorDisplayText(message));
  return false;
}

}  // namespace kartovel
