// The combiner run without a window, as scripts use it: exit status, output files and
// the message on standard error.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "common/FileSystem.h"
#include "core/PngImage.h"
#include "tools/FakeTask.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

class CombineCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = ProgramFolder() + "combine";
    if (!FileExists(program_)) {
      GTEST_SKIP() << "combine is not built beside the tests";
    }
  }

  // Runs combine with the arguments, standard error into a file; the exit status.
  int Run(const std::string& arguments) {
    std::string command = "'" + program_ + "' " + arguments + " >'" + sandbox_.Path("stdout") +
                          "' 2>'" + sandbox_.Path("stderr") + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Quoted(const std::string& name) const { return "'" + sandbox_.Path(name) + "'"; }

  std::string program_;
  Sandbox sandbox_;
};

TEST_F(CombineCommandTest, WritesTheMosaicAndItsSideFilesAndExitsZero) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  EXPECT_EQ(Run(Quoted("area.qtsk") + " " + Quoted("map.png")), 0)
      << Sandbox::ReadAll(sandbox_.Path("stderr"));
  std::optional<ImageSize> size = ReadPngSize(sandbox_.Path("map.png"));
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 24);
  EXPECT_EQ(size->height, 16);
  for (const char* name : {"map.pgw", "map.prj", "map.txt"}) {
    EXPECT_TRUE(FileExists(sandbox_.Path(name))) << name;
  }
}

TEST_F(CombineCommandTest, AMissingTaskExitsNonZeroWithAMessage) {
  EXPECT_NE(Run(Quoted("none.qtsk") + " " + Quoted("map.png")), 0);
  EXPECT_EQ(Sandbox::ReadAll(sandbox_.Path("stderr")),
            "combine: Cannot open file " + sandbox_.Path("none.qtsk") + ".\n");
  EXPECT_FALSE(FileExists(sandbox_.Path("map.png")));
}

TEST_F(CombineCommandTest, WrongArgumentsShowUsage) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  for (const char* wrong :
       {"", " extra", " --level 0", " --level 10", " --level fast", " --level", " --speed 3"}) {
    EXPECT_EQ(Run(Quoted("area.qtsk") + (*wrong == '\0' ? "" : " " + Quoted("map.png")) + wrong), 2)
        << wrong;
    EXPECT_NE(Sandbox::ReadAll(sandbox_.Path("stderr")).find("usage: combine"), std::string::npos)
        << wrong;
    EXPECT_FALSE(FileExists(sandbox_.Path("map.png"))) << wrong;
  }
}

TEST_F(CombineCommandTest, WritesAtEveryCompressionLevel) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  for (const char* level : {"--level 1", "--level=5", "--level 9"}) {
    EXPECT_EQ(Run(Quoted("area.qtsk") + " " + Quoted("map.png") + " " + level), 0)
        << level << Sandbox::ReadAll(sandbox_.Path("stderr"));
    EXPECT_TRUE(ReadPngSize(sandbox_.Path("map.png"))) << level;
  }
}

}  // namespace
}  // namespace kartovel::tools
