// Runs window handlers under the general error display.
#include "app/HandlerGuard.h"

#include <exception>
#include <new>

#include "common/Error.h"

namespace kartovel {

namespace {
// The library's own text for memory exhaustion names a type, not a situation.
constexpr const char* kOutOfMemoryText = "Out of memory";
constexpr const char* kUnknownErrorText = "Unknown error";
}  // namespace

std::string CurrentErrorMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return kUnknownErrorText;
  }
}

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
