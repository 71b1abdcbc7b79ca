// "export OUT.mbtiles TASK.qtsk...": the export dialog's export with the files the
// command line names, its report lines and progress on standard output.
#pragma once

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

int RunExport(const ExportArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
