// Atomic replacement: a file is replaced whole or not at all, and a failed write leaves
// the old file and no temporary behind.
#include "common/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <set>

#include "common/Error.h"
#include "common/LineFile.h"
#include "support/Sandbox.h"
#include "support/WriteSteps.h"

namespace kartovel {
namespace {

using testing::PermissionsOf;
using testing::Sandbox;
using testing::ScopedUmask;

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

constexpr TemporaryKind kBothKinds[] = {TemporaryKind::Unnamed, TemporaryKind::Named};

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
  std::string reason;
  try {
    SaveLines(file, Lines(1000, "a line that will not fit"));
  } catch (const FileError& error) {
    raised = true;
    reason = error.Reason();
  }
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  sigaction(SIGXFSZ, &previousAction, nullptr);

  EXPECT_TRUE(raised);
  EXPECT_EQ(reason, "File too large");
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

TEST(AtomicFile, ANewFileGetsWhatTheUmaskAllowsAndAReplacedFileKeepsItsMode) {
  const struct {
    mode_t Umask;
    std::optional<mode_t> OldMode;  // none: the file is new
    FileAccess Access;
    mode_t Expected;
  } cases[] = {
      {022, std::nullopt, FileAccess::Shared, 0644},
      {077, std::nullopt, FileAccess::Shared, 0600},
      {002, std::nullopt, FileAccess::Shared, 0664},
      {022, 0640, FileAccess::Shared, 0640},
      {077, 0755, FileAccess::Shared, 0755},
      {022, 0600, FileAccess::Shared, 0600},
      {022, std::nullopt, FileAccess::OwnerOnly, 0600},
      {000, 0644, FileAccess::OwnerOnly, 0600},
  };
  for (const TemporaryKind kind : kBothKinds) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << "umask " << std::oct << c.Umask << " old "
                                        << c.OldMode.value_or(0) << " kind " << int(kind));
      Sandbox sandbox;
      const std::string file = sandbox.Path("config.ini");
      if (c.OldMode) {
        Sandbox::WriteAll(file, "old");
        std::filesystem::permissions(file, std::filesystem::perms(*c.OldMode));
      }
      const ScopedUmask mask(c.Umask);
      AtomicFileWriter writer(file, c.Access, LinkHandling::WriteThrough, kind);
      writer.Write("new");
      writer.Commit();
      EXPECT_EQ(PermissionsOf(file), c.Expected);
      EXPECT_EQ(Sandbox::ReadAll(file), "new");
    }
  }
}

// The task's text files are written through a link the user made; a tile, a blank copy
// and a loop of links never reach a file outside the folder.
TEST(AtomicFile, ALinkIsWrittenThroughOnlyWhereAsked) {
  const struct {
    const char* Name;
    bool Dangling;
    std::function<void(const std::string&)> Write;
    bool Through;
  } cases[] = {
      {"text file", false, [](const std::string& name) { SaveLines(name, {"new"}); }, true},
      {"text file, link to nowhere", true,
       [](const std::string& name) { SaveLines(name, {"new"}); }, true},
      {"tile", false, [](const std::string& name) { WriteFileAtomically(name, "new\r\n"); }, false},
      {"tile, link to nowhere", true,
       [](const std::string& name) { WriteFileAtomically(name, "new\r\n"); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Sandbox sandbox;
    std::filesystem::create_directory(sandbox.Path("elsewhere"));
    if (!c.Dangling) {
      Sandbox::WriteAll(sandbox.Path("elsewhere/secret"), "old");
    }
    std::filesystem::create_symlink("elsewhere/secret", sandbox.Path("maps"));
    c.Write(sandbox.Path("maps"));
    EXPECT_EQ(std::filesystem::is_symlink(sandbox.Path("maps")), c.Through);
    EXPECT_EQ(Sandbox::ReadAll(sandbox.Path("maps")), "new\r\n");
    EXPECT_EQ(std::filesystem::exists(sandbox.Path("elsewhere/secret")), c.Through || !c.Dangling);
    if (!c.Through && !c.Dangling) {
      EXPECT_EQ(Sandbox::ReadAll(sandbox.Path("elsewhere/secret")), "old");
    }
  }
}

TEST(AtomicFile, ALoopOfLinksIsRefusedAndLeftAsItWas) {
  Sandbox sandbox;
  std::filesystem::create_symlink("b", sandbox.Path("a"));
  std::filesystem::create_symlink("a", sandbox.Path("b"));
  EXPECT_THROW(SaveLines(sandbox.Path("a"), {"new"}), AppError);
  EXPECT_EQ(NamesIn(sandbox.Folder()), (std::set<std::string>{"a", "b"}));
  EXPECT_TRUE(std::filesystem::is_symlink(sandbox.Path("a")));
}

// Every step of a write, and what a kill at that step would leave on disk: the target
// old or new, and a temporary only where the step says the temporary carries a name.
TEST(AtomicFile, EachStepOfAWriteLeavesTheTargetWholeAndATemporaryOnlyOnceNamed) {
  const struct {
    const char* Name;
    TemporaryKind Kind;
    bool IfAbsent;
    std::vector<WriteStep> Steps;
    std::vector<bool> TemporaryAtStep;
  } cases[] = {
      {"replace",
       TemporaryKind::Unnamed,
       false,
       {WriteStep::BytesWritten, WriteStep::Named},
       {false, true}},
      {"replace, named",
       TemporaryKind::Named,
       false,
       {WriteStep::BytesWritten, WriteStep::Named},
       {true, true}},
      {"if absent", TemporaryKind::Unnamed, true, {WriteStep::BytesWritten}, {false}},
      {"if absent, named",
       TemporaryKind::Named,
       true,
       {WriteStep::BytesWritten, WriteStep::Named},
       {true, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Sandbox sandbox;
    const std::string file = sandbox.Path("qn_1_2_3.png");
    if (!c.IfAbsent) {
      Sandbox::WriteAll(file, "old");
    }
    std::vector<bool> temporarySeen;
    std::vector<std::string> targetSeen;
    {
      const testing::WriteStepRecorder recorder([&](const testing::RecordedStep&) {
        const std::set<std::string> names = NamesIn(sandbox.Folder());
        temporarySeen.push_back(names.size() > (c.IfAbsent ? 0u : 1u));
        targetSeen.push_back(names.count("qn_1_2_3.png") ? Sandbox::ReadAll(file) : "");
      });
      AtomicFileWriter writer(file, FileAccess::Shared, LinkHandling::WriteThrough, c.Kind);
      writer.Write("new");
      if (c.IfAbsent) {
        EXPECT_TRUE(writer.CommitIfAbsent());
      } else {
        writer.Commit();
      }
      std::vector<WriteStep> steps;
      for (const auto& step : recorder.Steps()) {
        steps.push_back(step.Step);
        EXPECT_EQ(step.FileName, file);
      }
      EXPECT_EQ(steps, c.Steps);
    }
    EXPECT_EQ(temporarySeen, c.TemporaryAtStep);
    // Before the last step the target is untouched; a link only ever adds it whole.
    EXPECT_EQ(targetSeen.front(), c.IfAbsent ? "" : "old");
    EXPECT_EQ(Sandbox::ReadAll(file), "new");
    EXPECT_EQ(NamesIn(sandbox.Folder()), std::set<std::string>{"qn_1_2_3.png"});
  }
}

// The longest name the folder takes: the temporary's name is cut to fit, not refused.
TEST(AtomicFile, ANameAtTheFileNameLimitIsWrittenAndItsTemporariesFound) {
  for (const TemporaryKind kind : kBothKinds) {
    Sandbox sandbox;
    const std::string longName(NAME_MAX, 'n');
    const std::string file = sandbox.Path(longName);
    bool named = false;
    {
      const testing::WriteStepRecorder recorder([&](const testing::RecordedStep& step) {
        if (step.Step == WriteStep::Named) {
          // What a kill here would leave is found as this file's temporary, and removing
          // it makes this write fail.
          named = true;
          RemoveStaleTemporaries(file);
        }
      });
      AtomicFileWriter writer(file, FileAccess::Shared, LinkHandling::WriteThrough, kind);
      writer.Write("bytes");
      EXPECT_THROW(writer.Commit(), AppError);
    }
    EXPECT_TRUE(named);
    EXPECT_TRUE(NamesIn(sandbox.Folder()).empty());
    WriteFileAtomically(file, "bytes");
    EXPECT_EQ(Sandbox::ReadAll(file), "bytes");
  }
}

TEST(AtomicFile, StaleTemporariesOfAFileOrAFolderAreRemovedAndNothingElse) {
  const struct {
    std::string Name;
    bool OfTheTaskFile;  // removed by RemoveStaleTemporaries(task.qtsk)
    bool AnyTemporary;   // removed by RemoveStaleTemporariesIn(folder)
  } cases[] = {
      {"task.qtsk", false, false},
      {"task.qtsk.tmp-Ab12Cd", true, true},
      {"task.qtsk.tmp-Ab12C", false, false},
      {"task.qtsk.tmp-Ab12Cde", false, false},
      {"task.qtsk.tmp-Ab12C!", false, false},
      {"task.qtsk.tmp-", false, false},
      {"other.qtsk.tmp-Ab12Cd", false, true},
      {"xtask.qtsk.tmp-Ab12Cd", false, true},
      {"qn_1_2_3.png", false, false},
      {"qn_1_2_3.png.tmp-zzzzzz", false, true},
      {"qn_1_2_3.png.copy-tmp", false, false},
  };
  for (const bool wholeFolder : {false, true}) {
    Sandbox sandbox;
    for (const auto& c : cases) {
      Sandbox::WriteAll(sandbox.Path(c.Name), "x");
    }
    std::filesystem::create_directory(sandbox.Path("folder.qtsk.tmp-Ab12Cd"));
    if (wholeFolder) {
      RemoveStaleTemporariesIn(sandbox.Folder());
    } else {
      RemoveStaleTemporaries(sandbox.Path("task.qtsk"));
    }
    const std::set<std::string> left = NamesIn(sandbox.Folder());
    for (const auto& c : cases) {
      EXPECT_EQ(left.count(c.Name), (wholeFolder ? c.AnyTemporary : c.OfTheTaskFile) ? 0u : 1u)
          << c.Name << (wholeFolder ? " in the folder" : " of the task file");
    }
    EXPECT_EQ(left.count("folder.qtsk.tmp-Ab12Cd"), 1u);
  }
}

}  // namespace
}  // namespace kartovel
