// A task file chosen with "Open task ...": refused with a sentence when it is no task the
// program could have written (or its shape cannot be read), else what the main window
// shows of it, and the status line saying how far the task got.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "shape/Shape.h"
#include "task/TaskFile.h"

namespace kartovel {

struct OpenedTask {
  std::optional<Shape> AreaShape;  // a shaped task's shape
  TaskFileValues Stored;           // the keys as the file holds them
  std::string Folder;              // with its trailing separator
  std::string Name;                // the file's name, extension included
};

std::variant<OpenedTask, std::string> ReadOpenedTask(const std::string& taskFile);

// "berlin.qtsk: 812 of 1024 tiles on disk, 3 failed records.", or why the count is missing.
std::string TaskStandingLine(const std::string& taskFile);

}  // namespace kartovel
