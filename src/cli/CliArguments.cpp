// Parsing kartovel-cli's arguments with CLI11.
#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <sstream>

#include "app/Unit1.h"

namespace kartovel::cli {

namespace {

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

void AddDownload(CLI::App& app, DownloadArguments& download, std::string& zoomText) {
  CLI::App* command = app.add_subcommand(
      "download", "Download the tiles of a rectangle at one zoom level or a range of them");
  command->add_option("--left", download.Left, "Left (west) longitude")->required();
  command->add_option("--right", download.Right, "Right (east) longitude")->required();
  command->add_option("--top", download.Top, "Top (north) latitude")->required();
  command->add_option("--bottom", download.Bottom, "Bottom (south) latitude")->required();
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

void AddRedownload(CLI::App& app, RedownloadArguments& redownload) {
  CLI::App* command =
      app.add_subcommand("redownload", "Fetch again the tiles listed in a failed-tile file");
  command->add_option("FILE", redownload.FailedFile, "Failed-tile file (.ftl)")->required();
  command->add_flag("--quiet", redownload.Quiet, "Print only errors and the summary");
}

void AddExport(CLI::App& app, ExportArguments& exporting) {
  CLI::App* command =
      app.add_subcommand("export", "Write the tiles of downloaded tasks into an MBTiles file");
  command->add_option("OUT", exporting.OutFile, "MBTiles file to write (.mbtiles)")->required();
  command->add_option("TASK", exporting.TaskFiles, "Task files (.qtsk)")->required();
  command->add_flag("--quiet", exporting.Quiet, "Print only errors and the summary");
}

void AddInfo(CLI::App& app, InfoArguments& info) {
  CLI::App* command =
      app.add_subcommand("info", "Show a task's request, its tiles on disk and failed records");
  command->add_option("TASK", info.TaskFile, "Task file (.qtsk)")->required();
}

void AddContinue(CLI::App& app, ContinueArguments& continued) {
  CLI::App* command = app.add_subcommand(
      "continue", "Continue a task with the request and the map source its file holds");
  command->add_option("TASK", continued.TaskFile, "Task file (.qtsk)")->required();
  command->add_flag("--quiet", continued.Quiet, "Print only errors and the summary");
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
  DownloadArguments download;
  std::string zoomText;
  RedownloadArguments redownload;
  ExportArguments exporting;
  InfoArguments info;
  AddDownload(app, download, zoomText);
  AddRedownload(app, redownload);
  AddExport(app, exporting);
  AddInfo(app, info);
  ContinueArguments continued;
  AddContinue(app, continued);

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
    download.Zooms = *ParseZoomRange(zoomText);
    result.command = download;
  } else if (chosen == "redownload") {
    result.command = redownload;
  } else if (chosen == "continue") {
    result.command = continued;
  } else if (chosen == "export") {
    result.command = exporting;
  } else {
    result.command = info;
  }
  return result;
}

}  // namespace kartovel::cli
