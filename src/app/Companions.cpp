// Launching the companions and opening files with the desktop.
#include "app/Companions.h"

#include "common/FileSystem.h"

namespace kartovel {

void OpenMapViewer(Platform& platform, const std::string& taskFile) {
  const std::string viewer = platform.ProgramFolder() + "mapviewer";
  if (taskFile.empty()) {
    platform.ShellOpen(viewer);
    return;
  }
  // The viewer shows the task the user works on rather than an empty map.
  platform.StartProgram(viewer, {taskFile});
}

void OpenMapCombiner(Platform& platform) {
  platform.ShellOpen(platform.ProgramFolder() + "combine");
}

void ViewLogFile(Platform& platform, const DownloadTask* currentTask) {
  if (currentTask == nullptr) {
    platform.ShowMessage("No task running now." + std::string(18, ' '));
    return;
  }
  if (FileExists(currentTask->LogFileName)) {
    OpenOrReport(platform, currentTask->LogFileName);
    return;
  }
  platform.ShowMessage("No logfile now." + std::string(25, ' '));
}

void OpenOrReport(Platform& platform, const std::string& path) {
  if (!platform.ShellOpen(path)) {
    platform.ShowMessage("Could not open " + path +
                         ": the desktop has no program for it, or it is missing.");
  }
}

}  // namespace kartovel
