// The pending-sync group: files written for it are in place at once, each of their folders
// is synced once by the next SyncPending (a step of the write-step seam), and a failed
// sync keeps failing.
#include "common/SyncGroup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "support/Permissions.h"
#include "support/Sandbox.h"
#include "support/WriteSteps.h"

namespace kartovel {
namespace {

using testing::Sandbox;

std::vector<std::string> GroupSyncedFolders(const testing::WriteStepRecorder& recorder) {
  std::vector<std::string> folders;
  for (const testing::RecordedStep& step : recorder.Steps()) {
    if (step.Step == WriteStep::GroupSync) {
      folders.push_back(step.FileName);
    }
  }
  return folders;
}

TEST(SyncGroup, FilesAreInPlaceAtOnceAndEachFolderIsSyncedOnceByTheNextSyncPending) {
  Sandbox sandbox;
  const std::string first = sandbox.Path("a/");
  const std::string second = sandbox.Path("b/");
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(second);
  Sandbox::WriteAll(sandbox.Path("blank.png"), "blank");
  SyncGroup group;
  testing::WriteStepRecorder recorder;
  WriteFileAtomically(first + "1.png", "one", group);
  ASSERT_TRUE(CopyFileNoReplace(sandbox.Path("blank.png"), second + "2.png", group));
  WriteFileAtomically(first + "3.png", "three", group);
  WriteFileAtomically(first + "3.png", "again", group);  // a file there is replaced
  EXPECT_EQ(Sandbox::ReadAll(first + "1.png"), "one");
  EXPECT_EQ(Sandbox::ReadAll(second + "2.png"), "blank");
  EXPECT_EQ(Sandbox::ReadAll(first + "3.png"), "again");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(first), {}), 2);
  EXPECT_TRUE(GroupSyncedFolders(recorder).empty());

  group.SyncPending();
  EXPECT_EQ(GroupSyncedFolders(recorder), (std::vector<std::string>{first, second}));
  recorder.Clear();
  group.SyncPending();  // nothing added since
  EXPECT_TRUE(GroupSyncedFolders(recorder).empty());
}

TEST(SyncGroup, AFailedSyncNamesItsFolderAndEveryLaterSyncFailsAlike) {
  Sandbox sandbox;
  const std::string folder = sandbox.Path("tiles/");
  std::filesystem::create_directories(folder);
  SyncGroup group;
  WriteFileAtomically(folder + "1.png", "one", group);
  chmod(folder.c_str(), 0);  // the folder can no longer be opened for its sync
  {
    const testing::ScopedNoPermissionOverride asAUser;
    for (int call = 0; call < 2; ++call) {
      try {
        group.SyncPending();
        ADD_FAILURE() << "call " << call << " did not fail";
      } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), CannotCreateFile(folder).what());
        EXPECT_EQ(error.Reason(), SystemErrorText(EACCES));
      }
    }
  }
  chmod(folder.c_str(), 0700);
}

}  // namespace
}  // namespace kartovel
