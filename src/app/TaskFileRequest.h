// The request that continues a task from its file alone: the area as typed, zoom, folder,
// name and the [Source] copy the task stored, whatever ini/sources.ini now says. The
// continue command, the refresh command and the refresh dialog start from it.
#pragma once

#include <string>
#include <variant>

#include "engine/ProgramSettings.h"
#include "engine/RunRequest.h"

namespace kartovel {

// The request that continues the task file, or the sentence naming a file that is
// missing or no task file.
std::variant<RunRequest, std::string> RequestOfTaskFile(const std::string& taskFile,
                                                        const ProgramSettings& settings);

}  // namespace kartovel
