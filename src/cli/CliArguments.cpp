// Parsing kartovel-cli's arguments with CLI11.
#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <sstream>
#include <tuple>

#include "app/Unit1.h"
#include "cli/LibraryVersions.h"
#include "common/ProgramVersion.h"

namespace kartovel::cli {

namespace {

constexpr char kFilesHelp[] =
    "Files:\n"
    "  Settings: ini/config.ini and ini/sources.ini beside the program when that ini/ folder\n"
    "  is writable (the build tree, a copied folder); an installed program keeps them in\n"
    "  $XDG_CONFIG_HOME/kartovel/ (~/.config/kartovel/), made on first use from the defaults\n"
    "  in share/kartovel/ini/. The map windows' tile cache: $XDG_CACHE_HOME/kartovel/\n"
    "  (~/.cache/kartovel/). The queue: $XDG_DATA_HOME/kartovel/queue.ini\n"
    "  (~/.local/share/kartovel/). A task's files: the folder given with --path.\n"
    "Exit status: 0 every tile fetched, 1 failed or blank tiles (or a failed export or lost\n"
    "  output), 2 usage error, 3 the run could not start, 4 refused by the server (the run\n"
    "  paused and kept its place: the same command continues it), 130 stopped.";

std::optional<int32_t> ParseZoom(std::string_view text) {
  int32_t zoom = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), zoom);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      zoom < TForm1::UpDown1Min || zoom > TForm1::UpDown1Max) {
    return std::nullopt;
  }
  return zoom;
}

std::string ZoomCheck(const std::string& text) {
  if (ParseZoomRange(text)) {
    return "";
  }
  return "a zoom level Z or a range Z1-Z2 (Z1 not above Z2), each from " +
         std::to_string(TForm1::UpDown1Min) + " to " + std::to_string(TForm1::UpDown1Max) +
         ", was expected, not \"" + text + "\"";
}

// The options of a download, which a queued job takes too.
void AddDownloadOptions(CLI::App* command, DownloadArguments& download, std::string& zoomText) {
  CLI::Option* area = command->add_option(
      "--area", download.Area,
      "A shape file (GeoJSON, KML or GPX) whose covered tiles are downloaded instead of a "
      "rectangle");
  command->add_option("--corridor", download.Corridor,
                      "Width in metres on each side of the shape file's tracks and lines")
      ->needs(area);
  for (auto [name, text, help] :
       {std::tuple{"--left", &download.Left, "Left (west) longitude"},
        std::tuple{"--right", &download.Right, "Right (east) longitude"},
        std::tuple{"--top", &download.Top, "Top (north) latitude"},
        std::tuple{"--bottom", &download.Bottom, "Bottom (south) latitude"}}) {
    command->add_option(name, *text, help)->excludes(area);
  }
  command
      ->add_option("--zoom", zoomText,
                   "Zoom level Z, or a range Z1-Z2 that runs one task per zoom named NAME_zoom")
      ->required()
      ->check(ZoomCheck, "Z[-Z2]");
  command->add_option("--name", download.Name, "Task name")->required();
  command->add_option("--path", download.Path, "Folder to save into")->required();
  command->add_option("--source", download.Source,
                      "Map type of the tile source: 3 (built in) or a [MapType N] of "
                      "ini/sources.ini; default: the main window's last choice");
  command->add_flag("--quiet", download.Quiet, "Print only errors and the summary");
  command->add_flag("--dry-run", download.DryRun,
                    "Print the tiles, size and time per zoom and the free space; write nothing");
  command->add_flag("--yes", download.Yes,
                    "Start a job above the configured size without refusing it");
}

void AddDownload(CLI::App& app, DownloadArguments& download, std::string& zoomText) {
  AddDownloadOptions(
      app.add_subcommand(
          "download",
          "Download the tiles of a rectangle or a shape at one zoom level or a range of them"),
      download, zoomText);
}

void AddQueue(CLI::App& app, QueueArguments& queue, std::string& zoomText) {
  CLI::App* command = app.add_subcommand(
      "queue", "Jobs that wait their turn, kept in $XDG_DATA_HOME/kartovel/queue.ini");
  command->require_subcommand(1);
  AddDownloadOptions(
      command->add_subcommand("add", "Add a download (the options of download) to the queue"),
      queue.Download, zoomText);
  command->add_subcommand("list", "List the queue's jobs with their state and progress");
  command->add_subcommand("run", "Run every waiting job, one after the other")
      ->add_flag("--quiet", queue.Quiet, "Print only errors and the summaries");
}

// The rectangle or the shape file a download needs; an empty text when it has one.
std::string AreaFault(const DownloadArguments& download) {
  const bool rectangle = !download.Left.empty() && !download.Right.empty() &&
                         !download.Top.empty() && !download.Bottom.empty();
  if (download.Area.empty() && !rectangle) {
    return "--left, --right, --top and --bottom are required unless --area is given\n";
  }
  return "";
}

void AddRedownload(CLI::App& app, RedownloadArguments& redownload) {
  CLI::App* command =
      app.add_subcommand("redownload", "Fetch again the tiles listed in a failed-tile file");
  command->add_option("FILE", redownload.FailedFile, "Failed-tile file (.ftl)")->required();
  command->add_flag("--quiet", redownload.Quiet, "Print only errors and the summary");
}

void AddExport(CLI::App& app, ExportArguments& exporting) {
  CLI::App* command =
      app.add_subcommand("export",
                         "Write the tiles of downloaded tasks into an MBTiles, PMTiles, "
                         "GeoPackage or OsmAnd/Locus file");
  command
      ->add_option("OUT", exporting.OutFile,
                   "File to write; its extension names the format (.mbtiles, .pmtiles, .gpkg, "
                   ".sqlitedb)")
      ->required();
  command->add_option("TASK", exporting.TaskFiles, "Task files (.qtsk)")->required();
  command->add_flag("--quiet", exporting.Quiet, "Print only errors and the summary");
}

void AddInfo(CLI::App& app, InfoArguments& info) {
  CLI::App* command =
      app.add_subcommand("info", "Show a task's request, its tiles on disk and failed records");
  command->add_option("TASK", info.TaskFile, "Task file (.qtsk)")->required();
}

void AddVerify(CLI::App& app, VerifyArguments& verify) {
  CLI::App* command = app.add_subcommand(
      "verify",
      "Check that a task's tiles or a written file (mosaic PNG, export) are whole; exit status "
      "0 whole, 1 holes or blanks, 2 damaged");
  command->add_option("TARGET", verify.Target, "Task file (.qtsk) or file to check")->required();
}

void AddContinue(CLI::App& app, ContinueArguments& continued) {
  CLI::App* command = app.add_subcommand(
      "continue", "Continue a task with the request and the map source its file holds");
  command->add_option("TASK", continued.TaskFile, "Task file (.qtsk)")->required();
  command->add_flag("--quiet", continued.Quiet, "Print only errors and the summary");
}

void AddRefresh(CLI::App& app, RefreshArguments& refresh) {
  CLI::App* command = app.add_subcommand(
      "refresh",
      "Ask again, with the versions the server gave, for a task's tiles that are past their "
      "expiry or older than --older-than days; unchanged tiles are kept");
  command->add_option("TASK", refresh.TaskFile, "Task file (.qtsk)")->required();
  command
      ->add_option("--older-than", refresh.OlderThanDays,
                   "Also refresh every tile fetched at least DAYS days ago")
      ->type_name("DAYS")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--quiet", refresh.Quiet, "Print only errors and the summary");
}

}  // namespace

std::optional<ZoomRange> ParseZoomRange(const std::string& text) {
  const size_t dash = text.find('-');
  const auto first = ParseZoom(std::string_view(text).substr(0, dash));
  if (dash == std::string::npos) {
    return first ? std::optional(ZoomRange{*first, *first, false}) : std::nullopt;
  }
  const auto last = ParseZoom(std::string_view(text).substr(dash + 1));
  if (!first || !last || *last < *first) {
    return std::nullopt;
  }
  return ZoomRange{*first, *last, true};
}

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
  CLI::App app("Kartovel map-tile downloader for scripts and servers", "kartovel-cli");
  app.require_subcommand(1);
  app.set_version_flag(
      "--version",
      [] {
        std::string text = VersionLine("kartovel-cli") + LibraryVersions();
        text.pop_back();  // CLI11 ends the text with its own line end
        return text;
      },
      "Print the program's version and its libraries' versions, then exit");
  app.footer(kFilesHelp);
  DownloadArguments download;
  std::string zoomText;
  RedownloadArguments redownload;
  ExportArguments exporting;
  InfoArguments info;
  VerifyArguments verify;
  AddDownload(app, download, zoomText);
  AddRedownload(app, redownload);
  AddExport(app, exporting);
  AddInfo(app, info);
  AddVerify(app, verify);
  ContinueArguments continued;
  AddContinue(app, continued);
  QueueArguments queue;
  AddQueue(app, queue, zoomText);
  RefreshArguments refresh;
  AddRefresh(app, refresh);

  ParseResult result;
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    std::ostringstream output;
    std::ostringstream errorOutput;
    result.exitStatus = app.exit(error, output, errorOutput) == 0 ? kExitAllFetched : kExitUsage;
    result.output = output.str();
    result.error = errorOutput.str();
    return result;
  }
  const std::string chosen = app.get_subcommands().front()->get_name();
  if (chosen == "download") {
    if (const std::string fault = AreaFault(download); !fault.empty()) {
      result.exitStatus = kExitUsage;
      result.error = fault;
      return result;
    }
    download.Zooms = *ParseZoomRange(zoomText);
    result.command = download;
  } else if (chosen == "queue") {
    const std::string action = app.get_subcommands().front()->get_subcommands().front()->get_name();
    queue.Action = action == "add"    ? QueueArguments::Kind::Add
                   : action == "list" ? QueueArguments::Kind::List
                                      : QueueArguments::Kind::Run;
    if (queue.Action == QueueArguments::Kind::Add) {
      if (const std::string fault = AreaFault(queue.Download); !fault.empty()) {
        result.exitStatus = kExitUsage;
        result.error = fault;
        return result;
      }
      queue.Download.Zooms = *ParseZoomRange(zoomText);
    }
    result.command = queue;
  } else if (chosen == "redownload") {
    result.command = redownload;
  } else if (chosen == "continue") {
    result.command = continued;
  } else if (chosen == "refresh") {
    result.command = refresh;
  } else if (chosen == "export") {
    result.command = exporting;
  } else if (chosen == "verify") {
    result.command = verify;
  } else {
    result.command = info;
  }
  return result;
}

}  // namespace kartovel::cli
