// A task of a shaped area: its count and list follow the shape, its task file is a
// rectangle task's file with the shape in a section of its own, read back equal, and a
// hand-edited shape refused with nothing written.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/Error.h"
#include "common/LineFile.h"
#include "common/Locale.h"
#include "shape/ShapeCoverage.h"
#include "support/Sandbox.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

using testing::Sandbox;

// A triangle with a hole and a corridor beside it: about two thousand tiles at zoom 14.
Shape TripShape() {
  return Shape{"Trip \xC3\xA9t\xC3\xA9",
               {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {{{2.4, 48.8}, {2.5, 48.8}, {2.45, 48.9}}}}},
               {{{3.0, 48.6}, {3.2, 48.9}, {3.1, 49.1}}},
               800};
}

class ShapedTaskTest : public ::testing::Test {
 protected:
  TaskParameters Request(std::optional<Shape> shape) {
    TaskParameters params;
    const GeoBounds bounds = RequestBoundsOf(TripShape());
    params.LeftLongitude = bounds.West;
    params.RightLongitude = bounds.East;
    params.TopLatitude = bounds.North;
    params.BottomLatitude = bounds.South;
    params.Zoom = 14;
    params.SavePath = sandbox_.Folder();
    params.TaskFileName = "trip.qtsk";
    params.TileHost = "127.0.0.1:8080";
    params.AreaShape = std::move(shape);
    return params;
  }

  Sandbox sandbox_;
  ScopedLocaleOverride locale_{'.', std::string("2026-12-07 09:30:05")};
};

TEST_F(ShapedTaskTest, CountsListsAndSharesOnlyTheCoveredTiles) {
  TaskParameters rectangleParams = Request(std::nullopt);
  DownloadTask rectangle(rectangleParams);
  TaskParameters shapedParams = Request(TripShape());
  DownloadTask shaped(shapedParams);
  ASSERT_EQ(shaped.MinX, rectangle.MinX);
  ASSERT_EQ(shaped.MaxY, rectangle.MaxY);

  const ShapeCoverage coverage(TripShape(), 14);
  EXPECT_EQ(shaped.TotalCount, coverage.CoveredCount());
  EXPECT_LT(shaped.TotalCount, rectangle.TotalCount / 2);

  rectangle.WriteListFile();
  const Lines all = ReadLines(rectangle.ListFileName);
  shaped.WriteListFile();
  const Lines listed = ReadLines(shaped.ListFileName);
  // The rectangle's lines of the covered tiles, in the same order.
  Lines expected{all[0]};
  size_t line = 1;
  for (int32_t x = rectangle.MinX; x <= rectangle.MaxX; ++x) {
    for (int32_t y = rectangle.MinY; y <= rectangle.MaxY; ++y, ++line) {
      if (coverage.Holds(x, y)) expected.push_back(all[line]);
    }
  }
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(listed.size(), size_t(shaped.TotalCount) + 1);

  for (const int32_t workers : {1, 3, 8}) {
    const int64_t serials = int64_t{rectangle.TotalCount};
    int64_t shapedSum = 0;
    for (int32_t i = 0; i < workers; ++i) {
      EXPECT_EQ(rectangle.CoveredInShare(serials, i, workers), (serials + (workers - i) % workers) / workers);
      shapedSum += shaped.CoveredInShare(serials, i, workers);
    }
    EXPECT_EQ(shapedSum, shaped.TotalCount);
  }
  // Up to the serial of a covered tile: the covered tiles of the share before it and itself.
  int64_t seen = 0;
  bool checked = false;
  const TileRange range{14, shaped.MinX, shaped.MaxX, shaped.MinY, shaped.MaxY};
  coverage.ForEachCovered([&](const TileId& tile) {
    const int64_t serial = range.SerialOf(tile.X, tile.Y);
    seen += serial % 3 == 1;
    if (seen == 40 && serial % 3 == 1) {
      EXPECT_EQ(shaped.CoveredInShare(serial, 1, 3), 40);
      checked = true;
    }
    return !checked;
  });
  EXPECT_TRUE(checked) << shaped.TotalCount;
}

TEST_F(ShapedTaskTest, KeepsTheRectangleFileAndAddsTheShapeSection) {
  TaskParameters rectangleParams = Request(std::nullopt);
  DownloadTask rectangle(rectangleParams);
  rectangle.WriteTaskFile();
  const std::string rectangleFile = Sandbox::ReadAll(rectangle.TaskFilePath());
  EXPECT_EQ(ReadTaskShape(rectangle.TaskFilePath()), std::nullopt);

  TaskParameters shapedParams = Request(TripShape());
  DownloadTask shaped(shapedParams);
  shaped.WriteTaskFile();
  const std::string shapedFile = Sandbox::ReadAll(shaped.TaskFilePath());
  ASSERT_TRUE(shapedFile.starts_with(rectangleFile));
  EXPECT_TRUE(shapedFile.substr(rectangleFile.size()).starts_with("[Shape]\r\nName=Trip \xC3\xA9t\xC3\xA9\r\n"));
  EXPECT_EQ(ReadTaskShape(shaped.TaskFilePath()), TripShape());
}

TEST_F(ShapedTaskTest, RefusesAHandEditedShapeNamingTheFileAndWritingNothing) {
  TaskParameters params = Request(TripShape());
  DownloadTask task(params);
  task.WriteTaskFile();
  const std::string file = task.TaskFilePath();
  const std::string written = Sandbox::ReadAll(file);
  const std::string damaged = "The shape in the task file " + file + " is damaged (";
  const std::string edited = "The shape in the task file " + file + " was changed by hand";
  const struct {
    std::string from, to, message;
  } cases[] = {
      {"P1=2.1,48.6", "P1=2.2,48.6", edited},
      {"Name=Trip", "Name=Trap", edited},
      {"Corridor=800", "Corridor=900", edited},
      {"L1=", "L2=", damaged + "the key L1 is missing)"},
      {"Polygons=1", "Polygons=x", damaged + "the value of Polygons is no count)"},
      {"Polygons=1", "Polygons=2", damaged + "the key P2 is missing)"},
      {"Lines=1\r\n", "", damaged + "the key Lines is missing)"},
      {"P1=2.1,48.6", "P1=2.1;48.6", damaged + "the value of P1 is no list of longitude,latitude pairs)"},
      {"P1H1=2.4,48.8 2.5,48.8 ", "P1H1=", damaged + "P1H1 has too few points)"},
      {"L1=3,48.6", "L1=3,88.6", damaged + "L1 has a point off the map)"},
      {"Corridor=800", "Corridor=-1", damaged + "the corridor's width is no number from 0 to 100000)"},
      {"Corridor=800", "Corridor=0", damaged + "its lines have no corridor)"},
      {"Check=", "Extra=1\r\nCheck=", edited},
      {"Check=", "Check=0", edited},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.to);
    std::string text = written;
    const size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, c.from.size(), c.to);
    Sandbox::WriteAll(file, text);
    try {
      ReadTaskShape(file);
      ADD_FAILURE() << "accepted";
    } catch (const AppError& error) {
      EXPECT_EQ(std::string(error.what()).substr(0, c.message.size()), c.message);
    }
    EXPECT_EQ(Sandbox::ReadAll(file), text);
  }
}

TEST_F(ShapedTaskTest, RefusesAShapeTooLargeForATaskFile) {
  Shape big = TripShape();
  for (int i = 0; i < 40000; ++i) big.Lines[0].push_back({3.1 + i * 1e-7, 49.1 + i * 1e-7});
  TaskParameters params = Request(big);
  EXPECT_THROW(DownloadTask task(params), AppError);
}

}  // namespace
}  // namespace kartovel
