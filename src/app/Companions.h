// What the main window hands to the desktop: the map viewer (showing the task the user
// works on), the map combiner, the manual and a run's log, each opened without waiting and
// with a sentence when nothing could open it.
#pragma once

#include <string>

#include "common/Platform.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// taskFile: the task the user works on; empty starts the viewer on its own map.
void OpenMapViewer(Platform& platform, const std::string& taskFile);
void OpenMapCombiner(Platform& platform);
// "View log file": the current task's log, or why there is none to show.
void ViewLogFile(Platform& platform, const DownloadTask* currentTask);
// Opens a path with the desktop and says so when that fails.
void OpenOrReport(Platform& platform, const std::string& path);

}  // namespace kartovel
