// Finding a task's files from the path the user opened, and reading its task file.
#include "tiles/TaskFiles.h"

#include <gtest/gtest.h>

#include "common/Error.h"
#include "support/Sandbox.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

TEST(TaskFilesTest, TaskFileAndListFileLeadToTheSameFiles) {
  for (const char* opened : {"/d/newtask.qtsk", "/d/newtask_list.txt"}) {
    TaskFiles files = LocateTaskFiles(opened);
    EXPECT_EQ(files.taskFile, "/d/newtask.qtsk") << opened;
    EXPECT_EQ(files.listFile, "/d/newtask_list.txt") << opened;
    EXPECT_EQ(files.tileFolder, "/d/newtask/") << opened;
  }
}

TEST(TaskFilesTest, BaseKeepsEverythingBeforeTheLastDotOfTheName) {
  TaskFiles files = LocateTaskFiles("/d.x/area.txt.qtsk");
  EXPECT_EQ(files.listFile, "/d.x/area.txt_list.txt");
  EXPECT_EQ(files.tileFolder, "/d.x/area.txt/");
}

TEST(TaskFilesTest, ReadsMapTypeAndZoomFromTheTaskFile) {
  Sandbox sandbox;
  Sandbox::WriteAll(sandbox.Path("a.qtsk"),
                    "[MapsType]\r\nMapsType=3\r\n\r\n[Zoom]\r\nZoom=13\r\n");
  Sandbox::WriteAll(sandbox.Path("a_list.txt"), "");
  TaskSummary summary = ReadTaskSummary(sandbox.Path("a.qtsk"));
  EXPECT_EQ(summary.MapsType, 3);
  EXPECT_EQ(summary.Zoom, 13);
  EXPECT_EQ(summary.files.listFile, sandbox.Path("a_list.txt"));
}

TEST(TaskFilesTest, AListWithoutTaskFileIsEnough) {
  Sandbox sandbox;
  Sandbox::WriteAll(sandbox.Path("a_list.txt"), "");
  TaskSummary summary = ReadTaskSummary(sandbox.Path("a_list.txt"));
  EXPECT_EQ(summary.Zoom, -1);
}

TEST(TaskFilesTest, MissingTaskOrListIsCannotOpenFile) {
  Sandbox sandbox;
  EXPECT_THROW(ReadTaskSummary(sandbox.Path("none.qtsk")), AppError);
  Sandbox::WriteAll(sandbox.Path("b.qtsk"), "[Zoom]\r\nZoom=3\r\n");
  try {
    ReadTaskSummary(sandbox.Path("b.qtsk"));
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file " + sandbox.Path("b_list.txt"));
  }
}

}  // namespace
}  // namespace kartovel::tools
