// Line files: splitting at any line end, saving with CR LF, the errors of both ways.
#include "common/LineFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

struct SplitCase {
  std::string text;
  Lines lines;
};

TEST(LineFile, SplitsAtEveryKindOfLineEnd) {
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {std::string("a\r\nb\0c\r\nd", 10), {"a", std::string("b\0c", 3), std::string("d\0", 2)}},
      {std::string("\0\r\n\0", 4), {std::string(1, '\0'), std::string(1, '\0')}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitLines(c.text), c.lines);
  }
}

TEST(LineFile, SavesEveryLineWithCrLfAndReadsItBack) {
  Sandbox sandbox;
  std::string file = sandbox.Path("pane.txt");
  Lines lines = {"[log window]", "", "T1:seq=1,qn_1_2_3.png OK"};
  SaveLines(file, lines);
  EXPECT_EQ(Sandbox::ReadAll(file), "[log window]\r\n\r\nT1:seq=1,qn_1_2_3.png OK\r\n");
  EXPECT_EQ(ReadLines(file), lines);

  SaveLines(file, {});
  EXPECT_EQ(Sandbox::ReadAll(file), "");
}

TEST(LineFile, ReadingAMissingFileOrAFolderRaisesCannotOpen) {
  Sandbox sandbox;
  std::filesystem::create_directory(sandbox.Path("folder.ftl"));
  for (const std::string& file : {sandbox.Path("missing.ftl"), sandbox.Path("folder.ftl")}) {
    try {
      ReadLines(file);
      ADD_FAILURE() << "no error raised for " << file;
    } catch (const AppError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot open file " + file);
    }
  }
}

// Every byte a text file holds comes back when its lines are saved again.
TEST(LineFile, EveryByteSurvivesAReadAndASave) {
  Sandbox sandbox;
  std::string everyByte;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n') {
      everyByte.push_back(static_cast<char>(byte));
    }
  }
  const std::string file = sandbox.Path("log.txt");
  const std::string content =
      "before\r\n" + everyByte + "\r\n" + std::string(3, '\0') + "\r\nafter\r\n";
  Sandbox::WriteAll(file, content);
  SaveLines(file, ReadLines(file));
  EXPECT_EQ(Sandbox::ReadAll(file), content);
}

// /proc/self/mem opens but its first read fails: a file that cannot be read whole. A pipe
// or a device would never end.
TEST(LineFile, AFileThatCannotBeReadWholeIsNotTakenForWhatWasRead) {
  Sandbox sandbox;
  ASSERT_EQ(mkfifo(sandbox.Path("pipe").c_str(), 0600), 0);
  for (const std::string& file :
       {std::string("/proc/self/mem"), std::string("/dev/zero"), sandbox.Path("pipe")}) {
    EXPECT_FALSE(ReadWholeFile(file).has_value()) << file;
    EXPECT_THROW(ReadLines(file), AppError) << file;
  }
}

TEST(LineFile, SavingIntoAMissingFolderRaisesCannotCreate) {
  Sandbox sandbox;
  std::string file = sandbox.Path("gone/log.txt");
  try {
    SaveLines(file, {"x"});
    FAIL() << "no error raised";
  } catch (const AppError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file " + file);
  }
}

}  // namespace
}  // namespace kartovel
