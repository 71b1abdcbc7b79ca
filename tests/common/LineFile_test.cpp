// Line files: splitting at any line end, saving with CR LF, and atomic replacement
// that leaves the old file whole when a write fails.
#include "common/LineFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "common/AtomicFile.h"
#include "common/Error.h"
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
      {std::string("a\r\nb\0c\r\nd", 10), {"a", "b"}},
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

TEST(AtomicFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryBehind) {
  Sandbox sandbox;
  std::string file = sandbox.Path("task.qtsk");
  Sandbox::WriteAll(file, "old content\r\n");
  {
    AtomicFileWriter writer(file);
    writer.Write("new content that never gets committed");
    // The writer goes out of scope without Commit, as when an error interrupts a save.
  }
  EXPECT_EQ(Sandbox::ReadAll(file), "old content\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox.Folder()),
                          std::filesystem::directory_iterator()),
            1);
}

// A disk that fills up half-way through a save: the file-size limit makes the write
// fail after a few bytes, as a full disk would.
TEST(AtomicFile, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
  Sandbox sandbox;
  std::string file = sandbox.Path("log.txt");
  Sandbox::WriteAll(file, "kept\r\n");

  struct sigaction ignore {};
  struct sigaction previousAction {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit{};
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit small = previousLimit;
  small.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &small);

  bool raised = false;
  try {
    SaveLines(file, Lines(1000, "a line that will not fit"));
  } catch (const AppError&) {
    raised = true;
  }
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_TRUE(raised);
  EXPECT_EQ(Sandbox::ReadAll(file), "kept\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox.Folder()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(AtomicFile, ReplacesTheWholeFile) {
  Sandbox sandbox;
  std::string file = sandbox.Path("tile.png");
  Sandbox::WriteAll(file, "a much longer old content");
  WriteFileAtomically(file, "new");
  EXPECT_EQ(Sandbox::ReadAll(file), "new");
}

}  // namespace
}  // namespace kartovel
