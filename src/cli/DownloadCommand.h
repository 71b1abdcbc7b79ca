// "download": the main window's Start without the window. For each zoom of the range,
// in ascending order, the main window model gets the request in its boxes and its
// Start is pressed; the main thread then serves the workers' hand-offs and ticks the
// progress monitor once per second of program time until the run has ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/Unit1.h"
#include "cli/CliArguments.h"
#include "cli/CommandContext.h"

namespace kartovel::cli {

// The task name the command types for a zoom: a single zoom names the task NAME as the
// main window would (with ".qtsk"); a range names each NAME + "_" + zoom + ".qtsk".
// The name is typed with its extension, so running the command again continues it.
std::string TaskNameForZoom(const std::string& name, const ZoomRange& zooms, int32_t zoom);

// The text the command types into a coordinate box: a number in the form the task file
// stores it, so that the same command continues the task however the number was
// written; a text that is no finite number goes in as typed, for the window's checks.
std::string CoordinateBoxText(const std::string& typed);

// Puts the request into the main window's boxes for one zoom.
void TypeRequest(TForm1& form, const DownloadArguments& arguments, int32_t zoom);

// Shows the source of that map type in the main window's "Map source:" list (none: the
// window's remembered choice stands). The message of the refusal when the window offers
// no source of that map type, naming those it offers.
std::optional<std::string> ChooseSource(TForm1& form, std::optional<int32_t> mapsType);

// The exit status of a run that ended by itself: every tile fetched, or not.
int RunOutcome(const TForm1& form);

int RunDownload(const DownloadArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
