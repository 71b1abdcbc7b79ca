// The rules a task name and a save folder follow before anything of the task is written,
// in one place for Start, Open task, the re-download and the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

inline constexpr char kTaskFileExtension[] = ".qtsk";

// The task file name a typed name stands for: ".qtsk" is appended unless the name's own
// extension is exactly ".qtsk".
std::string TaskFileNameFor(std::string_view typedName);

// The task file of one zoom of a job: a job of one zoom keeps the typed name's file, each
// zoom of a range its own, NAME + "_" + zoom (a typed ".qtsk" goes before the zoom).
std::string TaskNameForZoom(const std::string& typedName, bool zoomRange, int32_t zoom);

// The message that refuses a typed task name, or nothing when the name can be used. The
// task's files and tile folder are named after it inside the save folder, so it must not
// be empty, leave only a dot or two before the extension, hold a separator (it would
// leave the folder), a "|" (failed-tile records split at the first one) or a control
// character.
std::optional<std::string> TaskNameFault(std::string_view typedName);

// The message that refuses a save folder, or nothing: the folder starts every failed-tile
// record, so it holds no "|" and no control character (a line end would split a record).
std::optional<std::string> SavePathFault(std::string_view savePath);

// The first fault of a task file's full name: its folder by the save-folder rule, then its
// file name by the task-name rule.
std::optional<std::string> TaskFilePathFault(std::string_view taskFilePath);

}  // namespace kartovel
