// The texts of the progress figures: "settled of total" and the line of figures beside
// it, shown by the main window under its progress bar and by the command line.
#pragma once

#include <string>

#include "app/Unit1.h"

namespace kartovel {

// "settled of total" or empty before the first run.
std::string ProgressBarText(const RunProgress& progress);
// "Failed: n   r tiles/min   Time left: h:mm:ss", each part once it is known, and after a
// run whose workers ended early a second line "Ended early: " and the first one's error.
std::string ProgressDetailText(const RunProgress& progress);
// Seconds as "m:ss", or "h:mm:ss" from one hour on, or from two days on as people say
// it ("about 31 days").
std::string TimeLeftText(int64_t seconds);

}  // namespace kartovel
