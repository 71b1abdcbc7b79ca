// "verify TARGET": whether a task's tiles or a written file are whole, as a summary per
// zoom with the first damaged or missing tiles named. Exit status 0 whole, 1 holes or
// blank substitutes, 2 damaged or no file verify reads, 130 when stopped (Ctrl+C or
// SIGTERM, looked at before every tile; verify writes no file, so none is left).
#pragma once

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

int RunVerify(const VerifyArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
