// Where the main window finds the user's files: the task file the boxes name, and the
// folder a chooser of the user's files starts in.
#pragma once

#include <string>

namespace kartovel {

// folder + name when that task file exists; empty otherwise (or when either is empty).
std::string NamedTaskFile(const std::string& folder, const std::string& name);

// The task's folder when it exists, else defaultPath when it exists, else empty (the
// platform's choice). Never a missing folder.
std::string ChooserFolder(const std::string& taskFile, const std::string& defaultPath);

}  // namespace kartovel
