// The texts of the progress display: the bar's own text and the line of figures below it.
#pragma once

#include <string>

#include "app/Unit1.h"

namespace kartovel::gui {

// "settled of total" or empty before the first run.
std::string ProgressBarText(const RunProgress& progress);
// "Failed: n   r tiles/min   Time left: h:mm:ss", each part once it is known, and after a
// run whose workers ended early a second line "Ended early: " and the first one's error.
std::string ProgressDetailText(const RunProgress& progress);
// Seconds as "m:ss", or "h:mm:ss" from one hour on.
std::string DurationText(int64_t seconds);

}  // namespace kartovel::gui
