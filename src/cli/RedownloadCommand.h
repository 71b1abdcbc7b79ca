// "redownload FILE.ftl": the re-download dialog's command with the file the command line
// names; its report lines go to standard output as they come.
#pragma once

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

int RunRedownload(const RedownloadArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
