// The command line's arguments: what each subcommand takes, help, and usage errors.
#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include "common/ProgramVersion.h"

namespace kartovel::cli {
namespace {

std::vector<std::string> Download(const std::string& zoom) {
  return {"download", "--left=-10.5", "--right", "2",      "--top", "3,5",    "--bottom",
          "-1",       "--zoom",       zoom,      "--name", "s",     "--path", "maps"};
}

TEST(CliArguments, ReadsADownloadWithItsTextsAsTypedAndItsZooms) {
  const struct {
    std::string zoom;
    ZoomRange zooms;
  } cases[] = {{"12", {12, 12, false}}, {"1-19", {1, 19, true}}, {"7-7", {7, 7, true}}};
  for (const auto& c : cases) {
    const ParseResult result = ParseArguments(Download(c.zoom));
    ASSERT_TRUE(result.command) << result.error;
    const auto& download = std::get<DownloadArguments>(*result.command);
    EXPECT_EQ(download.Left, "-10.5");
    EXPECT_EQ(download.Top, "3,5");
    EXPECT_EQ(download.Bottom, "-1");
    EXPECT_EQ(download.Zooms.First, c.zooms.First);
    EXPECT_EQ(download.Zooms.Last, c.zooms.Last);
    EXPECT_EQ(download.Zooms.IsRange, c.zooms.IsRange);
    EXPECT_EQ(download.Source, std::nullopt);
    EXPECT_FALSE(download.Quiet);
  }
}

TEST(CliArguments, ReadsTheOtherCommands) {
  const ParseResult exporting =
      ParseArguments({"export", "out.mbtiles", "a.qtsk", "b.qtsk", "--quiet"});
  ASSERT_TRUE(exporting.command);
  const auto& exportArguments = std::get<ExportArguments>(*exporting.command);
  EXPECT_EQ(exportArguments.OutFile, "out.mbtiles");
  EXPECT_EQ(exportArguments.TaskFiles, (std::vector<std::string>{"a.qtsk", "b.qtsk"}));
  EXPECT_TRUE(exportArguments.Quiet);
  const ParseResult redownload = ParseArguments({"redownload", "t_failed.ftl"});
  EXPECT_EQ(std::get<RedownloadArguments>(*redownload.command).FailedFile, "t_failed.ftl");
  const ParseResult info = ParseArguments({"info", "t.qtsk"});
  EXPECT_EQ(std::get<InfoArguments>(*info.command).TaskFile, "t.qtsk");
}

TEST(CliArguments, HelpOnEveryCommandExitsZeroAndUsageErrorsExitTwo) {
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string shown;  // a part of the help or of the error
  } cases[] = {
      {{"--help"}, 0, "Subcommands:"},
      {{"--help"}, 0, "$XDG_CONFIG_HOME/kartovel/"},
      {{"--version"}, 0, "kartovel-cli " + ProgramVersion() + "\nlibcurl "},
      {{"--version"}, 0, "\nzlib "},
      {{"download", "--help"}, 0, "--zoom"},
      {{"redownload", "--help"}, 0, "FILE"},
      {{"export", "-h"}, 0, "TASK"},
      {{"info", "--help"}, 0, "TASK"},
      {{}, 2, "A subcommand is required"},
      {{"fetch"}, 2, "A subcommand is required"},
      {{"export", "out.mbtiles"}, 2, "TASK is required"},
      {{"info"}, 2, "TASK is required"},
      {{"download", "--zoom", "3"}, 2, "is required"},
      {{"info", "a.qtsk", "--quiet"}, 2, "--quiet"},
  };
  for (const auto& c : cases) {
    const ParseResult result = ParseArguments(c.arguments);
    EXPECT_FALSE(result.command);
    EXPECT_EQ(result.exitStatus, c.status);
    const std::string& shown = c.status == 0 ? result.output : result.error;
    EXPECT_NE(shown.find(c.shown), std::string::npos) << c.shown << " in " << shown;
  }
}

TEST(CliArguments, ZoomRangesStayWithinTheWindowsZoomLimits) {
  const struct {
    std::string text;
    std::optional<std::pair<int, int>> zooms;
  } cases[] = {
      {"1", std::pair{1, 1}}, {"19", std::pair{19, 19}}, {"3-9", std::pair{3, 9}},
      {"0", std::nullopt},    {"20", std::nullopt},      {"9-3", std::nullopt},
      {"3-", std::nullopt},   {"-3", std::nullopt},      {"3-4-5", std::nullopt},
      {"", std::nullopt},     {"12a", std::nullopt},     {" 12", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto zooms = ParseZoomRange(c.text);
    ASSERT_EQ(zooms.has_value(), c.zooms.has_value()) << c.text;
    if (zooms) {
      EXPECT_EQ(std::pair(zooms->First, zooms->Last), *c.zooms) << c.text;
    }
  }
}

}  // namespace
}  // namespace kartovel::cli
