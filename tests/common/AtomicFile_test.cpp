// Atomic replacement: a file is replaced whole or not at all, and a failed write leaves
// the old file and no temporary behind.
#include "common/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "common/Error.h"
#include "common/LineFile.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

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
