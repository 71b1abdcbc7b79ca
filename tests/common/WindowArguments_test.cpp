// The window programs' command line: help and version answered, anything else they do not
// take refused with the usage.
#include "common/WindowArguments.h"

#include <gtest/gtest.h>

#include "common/ProgramVersion.h"

namespace kartovel {
namespace {

using Action = WindowArguments::Action;

TEST(WindowArguments, AnswersHelpAndVersionAndRefusesWhatTheProgramDoesNotTake) {
  const WindowProgramUsage none{"kartovel", "Opens the window.", "", "Files: here.\n"};
  const WindowProgramUsage file{"mapviewer", "Shows a task.", "FILE", ""};
  struct Case {
    const WindowProgramUsage* usage;
    std::vector<std::string> arguments;
    Action action;
    std::string inOutput;  // a part of standard output, or of standard error when refused
    std::vector<std::string> operands;
  };
  const Case cases[] = {
      {&none, {}, Action::OpenWindow, "", {}},
      {&none, {"--help"}, Action::PrintAndExit, "Usage: kartovel [--help] [--version]\nOpens", {}},
      {&none, {"--help"}, Action::PrintAndExit, "Files: here.\n", {}},
      {&none, {"--version"}, Action::PrintAndExit, "kartovel " + ProgramVersion() + "\n", {}},
      {&none, {"--verbose"}, Action::Refuse, "kartovel: unknown option \"--verbose\"\nUsage:", {}},
      {&none, {"task.qtsk"}, Action::Refuse, "unexpected argument \"task.qtsk\"", {}},
      {&none, {"--bogus", "--help"}, Action::Refuse, "unknown option \"--bogus\"", {}},
      {&file, {"task.qtsk"}, Action::OpenWindow, "", {"task.qtsk"}},
      {&file, {"a.qtsk", "b.qtsk"}, Action::Refuse, "unexpected argument \"b.qtsk\"", {}},
      {&file, {"--", "-odd.qtsk"}, Action::OpenWindow, "", {"-odd.qtsk"}},
      {&file, {"-"}, Action::OpenWindow, "", {"-"}},
      {&file, {"-x"}, Action::Refuse, "[FILE]\nTry 'mapviewer --help'", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const WindowArguments parsed = ParseWindowArguments(c.arguments, *c.usage);
    EXPECT_EQ(parsed.What, c.action);
    const std::string& text = c.action == Action::Refuse ? parsed.Error : parsed.Output;
    EXPECT_NE(text.find(c.inOutput), std::string::npos) << text;
    EXPECT_EQ(parsed.Operands, c.operands);
    if (c.action != Action::Refuse) {
      EXPECT_EQ(parsed.Error, "");
    }
  }
}

TEST(WindowArguments, BeforeTheToolkitStartsItsOneDashOptionsAndTheirValuesAreLeftAside) {
  const struct {
    std::vector<std::string> given;
    std::vector<std::string> left;
  } cases[] = {
      {{"-platform", "offscreen", "--version"}, {"--version"}},
      {{"--bogus", "-style", "fusion"}, {"--bogus"}},
      {{"task.qtsk", "-reverse"}, {"task.qtsk"}},
      {{"--", "-platform", "x"}, {"--", "-platform", "x"}},
      {{"-"}, {"-"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithoutToolkitOptions(c.given), c.left) << testing::PrintToString(c.given);
  }
}

}  // namespace
}  // namespace kartovel
