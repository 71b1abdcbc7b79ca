// "continue": a task continued from its file alone: the request it holds (area as typed,
// zoom, folder, name) and the [Source] copy it stored, whatever ini/sources.ini now says.
#pragma once

#include <string>
#include <variant>

#include "app/TaskFileRequest.h"
#include "cli/CliArguments.h"
#include "cli/CommandContext.h"
#include "engine/ProgramSettings.h"
#include "engine/RunRequest.h"

namespace kartovel::cli {

int RunContinue(const ContinueArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
