// "queue add", "queue list" and "queue run": the download queue of
// $XDG_DATA_HOME/kartovel/queue.ini without the window. A job is added with the checks of
// a download (and its question's threshold) and run later as the same download would run.
#pragma once

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

int RunQueue(const QueueArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
