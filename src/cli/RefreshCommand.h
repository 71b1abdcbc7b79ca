// "refresh TASK.qtsk [--older-than DAYS]": the task's due tiles asked for again with their
// validators; each tile's outcome goes to standard output as it comes, then the summary
// and the tiles that failed.
#pragma once

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

int RunRefresh(const RefreshArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
