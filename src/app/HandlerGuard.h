// The entry to every window handler: an error the handler does not catch ends only that
// handler and is shown by the general error display.
#pragma once

#include <functional>
#include <string>

#include "common/Error.h"
#include "common/Platform.h"

namespace kartovel {

// Runs the handler. An error escaping it is shown with platform.ShowError, its text
// formatted by the display's full stop rule. Returns true when the handler ran to its end.
bool RunHandler(Platform& platform, const std::function<void()>& handler);

}  // namespace kartovel
