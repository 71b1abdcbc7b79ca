// A Start as a user plans it: the question before a big job and the largest task, the
// name box after a fresh start, and a replace question that names what differs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/Unit1.h"
#include "app/UnitOptions.h"
#include "map/JobLimits.h"
#include "support/ScriptedPlatform.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;
using testing::Sandbox;

// The sampled tiles of an estimate go through the map windows' cache: a sandbox's here.
class CacheInSandbox {
 public:
  explicit CacheInSandbox(const std::string& folder) {
    const char* before = std::getenv("XDG_CACHE_HOME");
    before_ = before ? std::optional<std::string>(before) : std::nullopt;
    setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  }
  ~CacheInSandbox() {
    if (before_) {
      setenv("XDG_CACHE_HOME", before_->c_str(), 1);
    } else {
      unsetenv("XDG_CACHE_HOME");
    }
  }

 private:
  std::optional<std::string> before_;
};

void WriteJobs(MainWindowRig& rig, const std::string& jobs) {
  const std::string config = rig.ProgramFolder + "ini/config.ini";
  Sandbox::WriteAll(config, Sandbox::ReadAll(config) + "\r\n[Jobs]\r\n" + jobs);
}

// The world at zoom 2: 16 tiles.
void TypeWorld(MainWindowRig& rig, const std::string& name) {
  rig.TypeRequest("-180", "179", "85", "-85", 2, rig.Box.Path("maps"), name);
}

TEST(JobStart, ABigJobIsAskedAboutWithItsEstimateAndNoChangesNothing) {
  const struct {
    const char* Jobs;
    std::optional<bool> Answer;  // none: not asked
    const char* Refusal;         // a message instead of a question
    bool Runs;
  } cases[] = {
      {"AskAboveTiles=16\r\n", std::nullopt, "", true},
      {"AskAboveTiles=15\r\n", false, "", false},
      {"AskAboveTiles=15\r\n", true, "", true},
      {"MaxTaskTiles=15\r\n", std::nullopt,
       "The task at zoom 2 would hold 16 tiles, more than the 15 a task may hold. Choose a "
       "smaller area or a lower zoom.",
       false},
      {"AskAboveTiles=ten\r\n", std::nullopt, "Jobs AskAboveTiles \"ten\" is not a whole number",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Jobs);
    MainWindowRig rig;
    const CacheInSandbox cache(rig.Box.Path("cache"));
    WriteJobs(rig, c.Jobs);
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeWorld(rig, "world");
    if (c.Answer) {
      rig.Platform.QueueQuestionAnswer(*c.Answer);
    }
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    const auto& questions = rig.Platform.Questions();
    ASSERT_EQ(questions.size(), c.Answer ? 1u : 0u);
    if (c.Answer) {
      EXPECT_NE(questions[0].find("Zoom 2: 16 tiles, about "), std::string::npos) << questions[0];
      EXPECT_NE(questions[0].find("Start this download?"), std::string::npos);
      // At most three tiles were fetched for the size (the run's own fetches follow a Yes),
      // and kept in the map windows' cache.
      if (!c.Runs) {
        EXPECT_LE(rig.Server.RequestCount(), 3u);
        EXPECT_GE(rig.Server.RequestCount(), 1u);
      }
      EXPECT_TRUE(std::filesystem::exists(rig.Box.Path("cache/kartovel")));
    }
    if (*c.Refusal) {
      ASSERT_FALSE(rig.Platform.Messages().empty());
      EXPECT_NE(rig.Platform.Messages().front().find(c.Refusal), std::string::npos)
          << rig.Platform.Messages().front();
    }
    EXPECT_EQ(rig.Form->BitBtn1Caption, c.Runs ? "Stop" : "Start");
    if (!c.Runs) {
      EXPECT_FALSE(std::filesystem::exists(rig.Box.Path("maps")));
    } else {
      ASSERT_TRUE(rig.RunToEnd());
    }
  }
}

TEST(JobStart, TheNameBoxShowsTheTaskFileSoThatStopAndStartContinue) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  TypeWorld(rig, "world");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
  EXPECT_EQ(rig.Form->EditTaskName, "world.qtsk");
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Stop
  ASSERT_TRUE(rig.RunToEnd());
  ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));  // Start, no box touched
  EXPECT_TRUE(rig.Platform.Questions().empty());
  EXPECT_TRUE(rig.Form->CurrentParameters->ContinueTask);
  ASSERT_TRUE(rig.RunToEnd());
}

TEST(JobStart, TheReplaceQuestionNamesWhatDiffersAndNothingDifferentContinues) {
  const struct {
    const char* Left;
    int Zoom;
    const char* Difference;  // empty: no question, the task continues
  } cases[] = {
      {"-180", 2, ""},
      {"-90", 2, "with another area already"},
      {"-180", 3, "with another zoom already"},
      {"-90", 3, "with another area and zoom already"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Difference);
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TypeWorld(rig, "world.qtsk");
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    ASSERT_TRUE(rig.RunToEnd());
    // The name typed again without its extension.
    rig.TypeRequest(c.Left, "179", "85", "-85", c.Zoom, rig.Box.Path("maps"), "world");
    rig.Platform.QueueQuestionAnswer(false);
    ASSERT_TRUE(rig.Click(&TForm1::BitBtn1Click));
    if (*c.Difference) {
      ASSERT_EQ(rig.Platform.Questions().size(), 1u);
      EXPECT_NE(rig.Platform.Questions()[0].find(std::string("A task named world.qtsk ") +
                                                 c.Difference),
                std::string::npos)
          << rig.Platform.Questions()[0];
      EXPECT_EQ(rig.Form->BitBtn1Caption, "Start");
    } else {
      EXPECT_TRUE(rig.Platform.Questions().empty());
      EXPECT_TRUE(rig.Form->CurrentParameters->ContinueTask);
      ASSERT_TRUE(rig.RunToEnd());
    }
  }
}

TEST(JobStart, TheOptionsKeepTheThresholdAndNameOneThatIsNoNumber) {
  testing::Sandbox box;
  testing::ScriptedPlatform platform;
  platform.SetProgramFolder(box.Folder());
  std::filesystem::create_directories(box.Path("ini"));
  TfrmOptions options(platform);
  options.Show();
  EXPECT_EQ(options.EditAskAboveTiles, "100000");
  options.Button1Click();
  // The defaults kept: the configuration names no [Jobs] keys.
  EXPECT_EQ(Sandbox::ReadAll(options.ConfigFileName()).find("Jobs"), std::string::npos);

  options.Show();
  options.EditAskAboveTiles = "lots";
  options.Button1Click();
  ASSERT_EQ(platform.Messages().size(), 1u);
  EXPECT_NE(platform.Messages()[0].find("\"lots\" is not a whole number"), std::string::npos);
  EXPECT_TRUE(options.Visible);
  EXPECT_EQ(Sandbox::ReadAll(options.ConfigFileName()).find("Jobs"), std::string::npos);

  options.EditAskAboveTiles = "5000";
  options.CheckBoxAskAboveFreeSpace = false;
  options.Button1Click();
  const JobLimits limits = std::get<JobLimits>(ReadJobLimits(options.ConfigFileName()));
  EXPECT_EQ(limits.AskAboveTiles, 5000);
  EXPECT_FALSE(limits.AskAboveFreeSpace);
}

}  // namespace
}  // namespace kartovel
