// The continue command.
#include "cli/ContinueCommand.h"

#include <vector>

#include "app/HandlerGuard.h"
#include "cli/DownloadCommand.h"
#include "cli/TerminalPlatform.h"

namespace kartovel::cli {

int RunContinue(const ContinueArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return kExitNotStarted;
  }
  auto request = RequestOfTaskFile(arguments.TaskFile, settings);
  if (const auto* fault = std::get_if<std::string>(&request)) {
    platform.ShowError(*fault);
    return kExitNotStarted;
  }
  RunRequest& continued = std::get<RunRequest>(request);
  std::vector<RunRequest> requests{std::move(continued)};
  return RunRequests(std::move(requests), arguments.Quiet, platform, context);
}

}  // namespace kartovel::cli
