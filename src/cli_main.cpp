// kartovel-cli's entry: the arguments, then one command on the main thread, which is the
// user-interface thread of the window models that the command drives.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"
#include "cli/ContinueCommand.h"
#include "cli/DownloadCommand.h"
#include "cli/ExportCommand.h"
#include "cli/InfoCommand.h"
#include "cli/OutputCheck.h"
#include "cli/QueueCommand.h"
#include "cli/RedownloadCommand.h"
#include "cli/RefreshCommand.h"
#include "common/StopSignals.h"
#include "cli/VerifyCommand.h"
#include "common/Clock.h"
#include "common/FileSystem.h"
#include "common/ProgramLayout.h"
#include "download/CurlGlobal.h"
#include "download/HttpClient.h"

namespace {

int RunCommand(const kartovel::cli::Command& command,
               const kartovel::cli::CommandContext& context) {
  using namespace kartovel::cli;
  if (const auto* download = std::get_if<DownloadArguments>(&command)) {
    return RunDownload(*download, context);
  }
  if (const auto* redownload = std::get_if<RedownloadArguments>(&command)) {
    return RunRedownload(*redownload, context);
  }
  if (const auto* exporting = std::get_if<ExportArguments>(&command)) {
    return RunExport(*exporting, context);
  }
  if (const auto* verify = std::get_if<VerifyArguments>(&command)) {
    return RunVerify(*verify, context);
  }
  if (const auto* continued = std::get_if<ContinueArguments>(&command)) {
    return RunContinue(*continued, context);
  }
  if (const auto* queue = std::get_if<QueueArguments>(&command)) {
    return RunQueue(*queue, context);
  }
  if (const auto* refresh = std::get_if<RefreshArguments>(&command)) {
    return RunRefresh(*refresh, context);
  }
  return RunInfo(std::get<InfoArguments>(command), context);
}

// Parses the arguments and runs the command; the exit status.
int RunProgram(int argc, char* argv[]) {
  const kartovel::cli::ParseResult parsed =
      kartovel::cli::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  std::fputs(parsed.output.c_str(), stdout);
  std::fputs(parsed.error.c_str(), stderr);
  if (!parsed.command) {
    return parsed.exitStatus;
  }
  try {
    // Told once per run; the command then runs on the shipped settings.
    if (const std::string warning = kartovel::PrepareSettingsFolder(
            kartovel::ProgramFolder(), kartovel::UserEnvironmentOfProcess());
        !warning.empty()) {
      std::fprintf(stderr, "%s\n", warning.c_str());
    }
    kartovel::CurlGlobal curl;
    // KARTOVEL_TIME_SCALE (for example 0.01) runs the program's pauses and its one-second
    // monitor faster, for black-box tests and benchmarks; real time without it.
    kartovel::ScaledClock clock(kartovel::ParseTimeScale(std::getenv("KARTOVEL_TIME_SCALE")));
    // Before any other thread starts, so that every thread has the stop signals blocked.
    const kartovel::StopSignals signals;
    const kartovel::cli::CommandContext context{kartovel::ProgramFolder(),
                                                clock,
                                                kartovel::CreateCurlHttpClient,
                                                stdout,
                                                stderr,
                                                isatty(STDOUT_FILENO) == 1,
                                                signals.Token()};
    return RunCommand(*parsed.command, context);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kartovel::cli::kExitNotStarted;
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  // A peer that closes a kept-alive connection must not end the program; a closed pipe
  // on standard output then fails the write, which the end of the run reports.
  std::signal(SIGPIPE, SIG_IGN);
  return kartovel::cli::StatusAfterFlushing(RunProgram(argc, argv), stdout, stderr);
}
