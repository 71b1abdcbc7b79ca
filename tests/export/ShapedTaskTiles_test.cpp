// A shaped task read back from its files counts the shape's tiles, as its run did, and a
// shape edited by hand is refused with the file named.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "common/Error.h"
#include "common/Locale.h"
#include "export/TaskTiles.h"
#include "support/Sandbox.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

TaskParameters ShapedRequest(const testing::Sandbox& sandbox) {
  const Shape shape{"t", {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {}}}, {}, 0};
  const GeoBounds bounds = RequestBoundsOf(shape);
  TaskParameters params;
  params.LeftLongitude = bounds.West;
  params.RightLongitude = bounds.East;
  params.TopLatitude = bounds.North;
  params.BottomLatitude = bounds.South;
  params.Zoom = 13;
  params.SavePath = sandbox.Folder();
  params.TaskFileName = "t.qtsk";
  params.AreaShape = shape;
  return params;
}

TEST(ShapedTaskTiles, CountsTheShapesTilesAndRefusesAHandEdit) {
  testing::Sandbox sandbox;
  ScopedLocaleOverride locale('.', std::string("2026-12-07 09:30:05"));
  TaskParameters params = ShapedRequest(sandbox);
  DownloadTask task(params);
  task.WriteTaskFile();
  const TaskTiles read = ReadTaskTiles(task.TaskFilePath());
  EXPECT_EQ(read.TotalCount(), task.TotalCount);
  EXPECT_LT(read.TotalCount(), read.Range.Count());

  std::string text = testing::Sandbox::ReadAll(task.TaskFilePath());
  text.replace(text.find("Name=t"), 6, "Name=u");
  testing::Sandbox::WriteAll(task.TaskFilePath(), text);
  EXPECT_THROW(ReadTaskTiles(task.TaskFilePath()), AppError);
}

// Tiles outside the shape left in the folder by an earlier rectangle of the same name are
// none of the task's: every export, the summary and verify walk only the shape's.
TEST(ShapedTaskTiles, FilesOutsideTheShapeAreNotTheTasks) {
  {
    testing::Sandbox sandbox;
    ScopedLocaleOverride locale('.', std::string("2026-12-07 09:30:05"));
    TaskParameters params = ShapedRequest(sandbox);
    DownloadTask task(params);
    task.WriteTaskFile();
    std::set<std::pair<int32_t, int32_t>> covered;
    for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
      for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
        testing::Sandbox::WriteAll(task.TilePath(x, y), "tile");
        if (task.Covers(x, y)) covered.emplace(x, y);
      }
    }
    const TaskTiles read = ReadTaskTiles(task.TaskFilePath());
    std::set<std::pair<int32_t, int32_t>> visited;
    ForEachTileFile(read, [&](const TileFile& file) {
      visited.emplace(file.Tile.X, file.Tile.Y);
      return true;
    });
    EXPECT_EQ(visited, covered);
    EXPECT_EQ(static_cast<int64_t>(visited.size()), read.TotalCount());
  }
}

}  // namespace
}  // namespace kartovel
