// Telling present, missing and blank tiles apart, and loading a task for the viewer.
#include "tiles/TileStatus.h"

#include <gtest/gtest.h>

#include "tiles/ViewerTask.h"
#include "support/FakeTask.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

TEST(TileStatusTest, StatusComesFromTheFileAndTheBlankImage) {
  Sandbox sandbox;
  const std::string blank = "BLANK-IMAGE-BYTES";
  Sandbox::WriteAll(sandbox.Path("blank.png"), blank);
  Sandbox::WriteAll(sandbox.Path("copy.png"), blank);
  Sandbox::WriteAll(sandbox.Path("same_size.png"), "OTHER-IMAGE-BYTES");
  Sandbox::WriteAll(sandbox.Path("tile.png"), "a real tile");
  std::filesystem::create_directory(sandbox.Path("folder.png"));
  struct Case {
    const char* name;
    TileStatus withBlank;
    TileStatus withoutBlank;
  };
  const Case cases[] = {
      {"copy.png", TileStatus::Blank, TileStatus::Present},
      {"same_size.png", TileStatus::Present, TileStatus::Present},
      {"tile.png", TileStatus::Present, TileStatus::Present},
      {"none.png", TileStatus::Missing, TileStatus::Missing},
      {"folder.png", TileStatus::Missing, TileStatus::Missing},
  };
  TileStatusScanner withBlank(ReadBlankImage(sandbox.Path("blank.png")));
  TileStatusScanner withoutBlank(ReadBlankImage(sandbox.Path("no_blank.png")));
  for (const Case& c : cases) {
    EXPECT_EQ(withBlank.StatusOf(sandbox.Path(c.name)), c.withBlank) << c.name;
    EXPECT_EQ(withoutBlank.StatusOf(sandbox.Path(c.name)), c.withoutBlank) << c.name;
  }
}

// Each kind of tile is told blank by the blank image of its own kind.
TEST(TileStatusTest, ViewerTaskCountsTheTilesOfEachStatus) {
  for (const std::string extension : {"png", "jpg", "webp"}) {
    SCOPED_TRACE(extension);
    Sandbox sandbox;
    testing::FakeTaskPlan plan;  // 6 tiles
    plan.extension = extension;
    plan.missing = {{6744, 3104}, {6746, 3105}};
    testing::FakeTask task = WriteFakeTask(sandbox, plan);
    std::filesystem::create_directory(sandbox.Path("blankimg"));
    for (const std::string kind : {"png", "jpg", "webp"}) {
      // Every kind's blank has the same picture: only the right one's bytes match.
      testing::WriteFakeTile(sandbox.Path("blankimg/blank." + kind),
                             testing::FakeTileImage(0, 0, 8), kind);
    }
    std::filesystem::copy_file(sandbox.Path("blankimg/blank." + extension),
                               task.tileFolder + "qn_6745_3104_13." + extension,
                               std::filesystem::copy_options::overwrite_existing);
    for (const std::string& opened : {task.taskFile, task.listFile}) {
      ViewerTask viewer = LoadViewerTask(opened, sandbox.Folder());
      ASSERT_EQ(viewer.tiles.size(), 6u);
      EXPECT_EQ(viewer.counts.present, 3);
      EXPECT_EQ(viewer.counts.missing, 2);
      EXPECT_EQ(viewer.counts.blank, 1);
      EXPECT_EQ(viewer.statuses[0], TileStatus::Missing);  // first in the list: 6744, 3104
      EXPECT_EQ(viewer.statuses[2], TileStatus::Blank);    // 6745, 3104
    }
  }
}

TEST(TileStatusTest, BlankImageLiesInTheProgramFolder) {
  EXPECT_EQ(BlankImagePath("/opt/kartovel/", "jpg"), "/opt/kartovel/blankimg/blank.jpg");
}

}  // namespace
}  // namespace kartovel::tools
