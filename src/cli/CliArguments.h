// The command line of kartovel-cli: its subcommands and their arguments, parsed with
// CLI11. Usage errors carry CLI11's own message and exit status 2; --help exits 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/StopSignals.h"

namespace kartovel::cli {

// Exit statuses of the program.
inline constexpr int kExitAllFetched = 0;
inline constexpr int kExitSomeFailed = 1;
// An export that failed while it wrote its file ends as a run with failures does.
inline constexpr int kExitExportFailed = kExitSomeFailed;
// A run whose summary could not be written (standard output or error failed) is no success.
inline constexpr int kExitOutputLost = kExitSomeFailed;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotStarted = 3;
// A storm of refusals paused the run: the server turns the program away for now.
inline constexpr int kExitRefusedByServer = 4;
inline constexpr int kExitStopped = kStoppedBySignalStatus;

struct ZoomRange {
  int32_t First = 0;
  int32_t Last = 0;
  bool IsRange = false;  // written as Z-Z2 (then each task's name carries its zoom)
};

struct DownloadArguments {
  // The rectangle as typed: the main window's boxes receive these texts.
  std::string Left;
  std::string Right;
  std::string Top;
  std::string Bottom;
  // A shape file (GeoJSON, KML or GPX) instead of the rectangle, and the corridor's width
  // in metres on each side of its lines.
  std::string Area;
  std::optional<double> Corridor;
  ZoomRange Zooms;
  std::string Name;
  std::string Path;
  // The map type of the source to fetch from (3 or a section of ini/sources.ini); none:
  // the main window's remembered choice.
  std::optional<int32_t> Source;
  bool Quiet = false;
  bool DryRun = false;  // print the estimate only
  bool Yes = false;     // start a job above the question's threshold without asking
};

struct RedownloadArguments {
  std::string FailedFile;
  bool Quiet = false;
};

struct ExportArguments {
  std::string OutFile;
  std::vector<std::string> TaskFiles;
  bool Quiet = false;
};

struct ContinueArguments {
  std::string TaskFile;
  bool Quiet = false;
};

struct RefreshArguments {
  std::string TaskFile;
  // Tiles fetched at least this many days ago are asked for again, besides those past
  // their expiry; none: only those.
  std::optional<double> OlderThanDays;
  bool Quiet = false;
};

struct InfoArguments {
  std::string TaskFile;
};

struct VerifyArguments {
  std::string Target;  // a task file or a written file
};
// "queue add" takes the options of a download; "queue run" has --quiet.
struct QueueArguments {
  enum class Kind { Add, List, Run };
  Kind Action = Kind::List;
  DownloadArguments Download;
  bool Quiet = false;
};

using Command = std::variant<DownloadArguments, RedownloadArguments, ExportArguments,
                             InfoArguments, VerifyArguments, ContinueArguments, QueueArguments,
                             RefreshArguments>;

struct ParseResult {
  std::optional<Command> command;  // empty: nothing to run, exit with exitStatus
  int exitStatus = 0;
  std::string output;  // help text (standard output)
  std::string error;   // usage error (standard error)
};

ParseResult ParseArguments(const std::vector<std::string>& arguments);

// "Z" or "Z1-Z2" with Z1 <= Z2, each within the main window's zoom limits.
std::optional<ZoomRange> ParseZoomRange(const std::string& text);

}  // namespace kartovel::cli
