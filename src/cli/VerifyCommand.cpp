// The verify command: the report's lines on standard output, its status as the exit.
#include "cli/VerifyCommand.h"

#include <cstdio>

#include "verify/Verify.h"

namespace kartovel::cli {

int RunVerify(const VerifyArguments& arguments, const CommandContext& context) {
  const VerifyReport report =
      VerifyTarget(arguments.Target, context.ProgramFolder,
                   [stop = context.Stop] { return stop.stop_requested(); });
  for (const std::string& line : report.SummaryLines(arguments.Target)) {
    std::fprintf(context.Out, "%s\n", line.c_str());
  }
  if (std::fflush(context.Out) != 0 || std::ferror(context.Out) != 0) {
    return kExitOutputLost;
  }
  return report.Stopped ? kExitStopped : report.ExitStatus();
}

}  // namespace kartovel::cli
