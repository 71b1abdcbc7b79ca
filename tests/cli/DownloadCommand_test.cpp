// What the download command types into the main window: each zoom's task name and the
// coordinate texts.
#include "cli/DownloadCommand.h"

#include <gtest/gtest.h>

#include "common/Locale.h"

namespace kartovel::cli {
namespace {

TEST(DownloadCommand, NamesEachZoomsTaskAndTypesNumbersAsTheTaskFileStoresThem) {
  const struct {
    std::string name;
    ZoomRange zooms;
    std::string task;
  } names[] = {{"survey", {12, 12, false}, "survey.qtsk"},
               {"survey.qtsk", {12, 12, false}, "survey.qtsk"},
               {"survey.txt", {12, 12, false}, "survey.txt.qtsk"},
               {"survey", {12, 13, true}, "survey_12.qtsk"},
               {"survey.qtsk", {12, 13, true}, "survey_12.qtsk"}};
  for (const auto& c : names) {
    EXPECT_EQ(TaskNameForZoom(c.name, c.zooms, 12), c.task) << c.name;
  }
  const ScopedLocaleOverride comma(',', std::nullopt);
  const std::pair<std::string, std::string> coordinates[] = {
      {"116.0", "116"}, {"40.50", "40,5"}, {"40,5", "40,5"}, {"-0.1276", "-0,1276"},
      {"1e2", "100"},   {"abc", "abc"},    {"", ""},         {"1e999", "1e999"}};
  for (const auto& [typed, boxText] : coordinates) {
    EXPECT_EQ(CoordinateBoxText(typed), boxText) << typed;
  }
}

}  // namespace
}  // namespace kartovel::cli
