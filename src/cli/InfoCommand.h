// "info TASK.qtsk": a task as text: its request, the tiles on disk of its total, and the
// records of its failed-tile file.
#pragma once

#include <string>

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

// The lines of the summary. Throws "Cannot open file <name>" for a missing task file.
std::string TaskInfoText(const std::string& taskFile);

int RunInfo(const InfoArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
