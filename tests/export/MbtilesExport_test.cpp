// The MBTiles export read back with SQLite: rows in the TMS order, blank substitutes
// and unreadable files left out, metadata, and a file replaced only when complete.
#include "export/TileExport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "common/Error.h"
#include "export/HandMadeTask.h"
#include "support/MbtilesReader.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;
using testing::HandMadeTask;
using testing::Sandbox;

constexpr char kBlank[] = "BLANK-IMAGE";

// Moves a file's modification time by the given offset from now.
void SetWrittenAt(const std::string& file, std::chrono::seconds offset) {
  fs::last_write_time(file, fs::file_time_type::clock::now() + offset);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(MbtilesExport, WritesEveryTaskTileWithItsRowCountedFromTheSouthAndLeavesOutBlanks) {
  enum class Kind { Tile, Blank, Empty, ListedFailed, ListedThenFetched };
  struct Case {
    int task;  // 0: zoom 1, 1: zoom 2
    int x, y;
    Kind kind;
    int tmsRow;  // where the tile lands when it is exported
  };
  const Case cases[] = {
      {0, 0, 0, Kind::Tile, 1},         {0, 1, 1, Kind::Tile, 0},
      {1, 1, 0, Kind::Tile, 3},         {1, 2, 3, Kind::Tile, 0},
      {1, 3, 1, Kind::Blank, 2},        {1, 0, 2, Kind::Empty, 1},
      {1, 0, 0, Kind::ListedFailed, 3}, {1, 3, 3, Kind::ListedThenFetched, 0},
  };
  Sandbox box;
  const HandMadeTask tasks[] = {{.name = "s_1", .zoom = 1, .maxX = 1, .maxY = 1},
                                {.name = "s_2", .zoom = 2}};
  const std::vector<std::string> taskFiles = {WriteHandMadeTask(box, tasks[0]),
                                              WriteHandMadeTask(box, tasks[1])};
  std::vector<std::string> listed;
  for (const Case& c : cases) {
    const std::string path = testing::TilePathOf(box, tasks[c.task], c.x, c.y);
    Sandbox::WriteAll(path, c.kind == Kind::Blank   ? kBlank
                            : c.kind == Kind::Empty ? ""
                                                    : testing::TileImage("png " + path));
    if (c.kind == Kind::ListedFailed || c.kind == Kind::ListedThenFetched) {
      listed.push_back(path);
      SetWrittenAt(path, std::chrono::seconds(c.kind == Kind::ListedFailed ? -60 : 60));
    }
  }
  testing::WriteFailedFile(box, tasks[1], listed);

  TileExport exporter(taskFiles, testing::WriteProgramFolder(box, kBlank));
  EXPECT_EQ(exporter.TileFileCount(), std::size(cases));
  const auto counts = exporter.WriteTo(box.Path("out.mbtiles"), nullptr);
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->Exported, 5);
  EXPECT_EQ(counts->Blank, 2);
  EXPECT_EQ(counts->Unreadable, 1);

  const auto content = testing::ReadMbtiles(box.Path("out.mbtiles"));
  EXPECT_TRUE(content.HasUniqueTileIndex);
  for (const Case& c : cases) {
    const bool exported = c.kind == Kind::Tile || c.kind == Kind::ListedThenFetched;
    const TileId key{tasks[c.task].zoom, c.x, c.tmsRow};
    ASSERT_EQ(content.Tiles.count(key), exported ? 1u : 0u) << c.x << "," << c.y;
    if (exported) {
      EXPECT_EQ(content.Tiles.at(key),
                testing::TileImage("png " + testing::TilePathOf(box, tasks[c.task], c.x, c.y)));
    }
  }
}

MapSource SourceOf(const std::string& extension) {
  MapSource source;
  source.MapsType = 100;
  source.Name = "Own tiles";
  source.Url = "http://127.0.0.1:1/{z}/{x}/{y}." + extension;
  source.Prefix = "own";
  source.Extension = extension;
  return source;
}

TEST(MbtilesExport, AMapSourcesTasksTilesCarryItsFormatAndItsOwnBlankImageIsLeftOut) {
  // The source's attribution, when it names one, goes into the metadata.
  const struct {
    std::string extension, attribution;
  } cases[] = {{"png", ""}, {"jpg", "&copy; Own tiles"}, {"webp", ""}};
  for (const auto& [extension, attribution] : cases) {
    Sandbox box;
    MapSource source = SourceOf(extension);
    source.Attribution = attribution;
    const HandMadeTask task{.name = "src", .zoom = 1, .maxX = 1, .maxY = 1, .source = source};
    const std::vector<std::string> taskFiles = {WriteHandMadeTask(box, task)};
    Sandbox::WriteAll(testing::TilePathOf(box, task, 0, 0), testing::TileImage("image", extension));
    Sandbox::WriteAll(testing::TilePathOf(box, task, 1, 0), kBlank);
    // A file of the built-in naming in the folder is no tile of this task.
    Sandbox::WriteAll(box.Path("src/" + testing::TileName(1, 1, 1)), testing::TileImage("image"));
    TileExport exporter(taskFiles, testing::WriteProgramFolder(box, kBlank, extension));
    const auto counts = exporter.WriteTo(box.Path("out.mbtiles"), nullptr);
    ASSERT_TRUE(counts) << extension;
    EXPECT_EQ(counts->Exported, 1) << extension;
    EXPECT_EQ(counts->Blank, 1) << extension;
    const auto content = testing::ReadMbtiles(box.Path("out.mbtiles"));
    EXPECT_EQ(content.Metadata.at("format"), extension);
    EXPECT_EQ(content.Metadata.count("attribution") ? content.Metadata.at("attribution") : "",
              attribution);
    EXPECT_EQ(content.Tiles.count({1, 0, 1}), 1u) << extension;
  }
}

TEST(MbtilesExport, RefusesTasksOfTwoImageFormats) {
  Sandbox box;
  const std::vector<std::string> taskFiles = {
      WriteHandMadeTask(box, {.name = "a", .source = SourceOf("png")}),
      WriteHandMadeTask(box, {.name = "b", .source = SourceOf("webp")})};
  try {
    TileExport(taskFiles, box.Path("program/"));
    ADD_FAILURE() << "two formats exported together";
  } catch (const AppError& error) {
    EXPECT_EQ(std::string(error.what()),
              "The tasks hold tiles of two image formats (png and webp). An export file holds "
              "one: export them into separate files.");
  }
}

TEST(MbtilesExport, MetadataNamesTheTilesetAndTheAreaEveryZoomCovers) {
  using Rows = std::map<std::string, std::string>;
  const auto task = [](int zoom, int minX, int minY, int maxX, int maxY) {
    TaskTiles tiles;
    tiles.MapsType = 3;
    tiles.Naming = BuiltInTileNameKind(3);
    tiles.Range.Zoom = zoom;
    tiles.Range.MinX = minX;
    tiles.Range.MinY = minY;
    tiles.Range.MaxX = maxX;
    tiles.Range.MaxY = maxY;
    return tiles;
  };
  const Rows common = {
      {"name", "survey"}, {"format", "png"}, {"type", "baselayer"}, {"version", "1"}};
  struct Case {
    std::vector<TaskTiles> tasks;
    Rows rows;
  };
  const Case cases[] = {
      // The whole grid at zoom 1 and its middle at zoom 2: the middle is the common area.
      {{task(1, 0, 0, 1, 1), task(2, 1, 1, 2, 2)},
       {{"minzoom", "1"},
        {"maxzoom", "2"},
        {"bounds", "-90,-66.5132604431118,90,66.5132604431118"},
        {"center", "0,0,1"}}},
      // Two corners that do not overlap: the area of both.
      {{task(2, 0, 0, 0, 0), task(2, 3, 3, 3, 3)},
       {{"minzoom", "2"},
        {"maxzoom", "2"},
        {"bounds", "-180,-85.0511287798066,180,85.0511287798066"},
        {"center", "0,0,2"}}},
      // A range past the grid's east edge is cut at the edge.
      {{task(1, 1, 0, 2, 0)},
       {{"minzoom", "1"},
        {"maxzoom", "1"},
        {"bounds", "0,0,180,85.0511287798066"},
        {"center", "90,42.5255643899033,1"}}},
      {{task(3, 0, 0, -1, -1)}, {{"minzoom", "3"}, {"maxzoom", "3"}}},
  };
  for (const Case& c : cases) {
    Rows expected = common;
    expected.insert(c.rows.begin(), c.rows.end());
    const auto rows = MbtilesMetadata(c.tasks, "survey", "");
    EXPECT_EQ(Rows(rows.begin(), rows.end()), expected);
  }
  const auto withAttribution = MbtilesMetadata({task(1, 0, 0, 1, 1)}, "s", "&copy; Maps");
  EXPECT_EQ(withAttribution.back().first, "attribution");
  EXPECT_EQ(withAttribution.back().second, "&copy; Maps");
}

TEST(MbtilesExport, ReplacesAnEarlierFileOnlyWhenCompleteAndLeavesNoTemporaryFile) {
  Sandbox box;
  const HandMadeTask task{.name = "big", .zoom = 6, .maxX = 63, .maxY = 63};
  const std::vector<std::string> taskFiles = {WriteHandMadeTask(box, task)};
  const int tileCount = static_cast<int>(TileExport::kProgressEvery) + 5;
  for (int i = 0; i < tileCount; ++i) {
    Sandbox::WriteAll(testing::TilePathOf(box, task, i % 64, i / 64),
                      testing::TileImage("t" + std::to_string(i)));
  }
  const std::string out = box.Path("out.mbtiles");
  Sandbox::WriteAll(out, "earlier export");
  const std::string program = testing::WriteProgramFolder(box, kBlank);

  std::vector<ExportProgress> seen;
  const auto abandon = [&seen](const ExportProgress& progress) {
    seen.push_back(progress);
    return false;
  };
  EXPECT_FALSE(TileExport(taskFiles, program).WriteTo(out, abandon));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Done, TileExport::kProgressEvery);
  EXPECT_EQ(seen[0].Total, tileCount);
  EXPECT_EQ(Sandbox::ReadAll(out), "earlier export");

  seen.clear();
  const auto carryOn = [&seen](const ExportProgress& progress) {
    seen.push_back(progress);
    return true;
  };
  EXPECT_EQ(TileExport(taskFiles, program).WriteTo(out, carryOn)->Exported, tileCount);
  EXPECT_EQ(seen.back().Done, tileCount);
  EXPECT_EQ(testing::ReadMbtiles(out).Tiles.size(), static_cast<size_t>(tileCount));
  EXPECT_EQ(FilesIn(box.Folder()),
            (std::vector<std::string>{"big", "big.qtsk", "out.mbtiles", "program"}));
}

TEST(MbtilesExport, RefusesAMissingTaskAndAnOutputItCannotCreate) {
  Sandbox box;
  const std::string taskFile = WriteHandMadeTask(box, HandMadeTask{.name = "t"});
  const struct {
    std::vector<std::string> tasks;
    std::string out;
    std::string message;
  } cases[] = {
      {{taskFile, box.Path("gone.qtsk")},
       box.Path("o.mbtiles"),
       "Cannot open file " + box.Path("gone.qtsk")},
      {{taskFile},
       box.Path("no/such/o.mbtiles"),
       "Cannot create file " + box.Path("no/such/o.mbtiles") + ": No such file or directory"},
  };
  for (const auto& c : cases) {
    try {
      TileExport(c.tasks, box.Path("program/")).WriteTo(c.out, nullptr);
      ADD_FAILURE() << c.message;
    } catch (const AppError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
  EXPECT_EQ(FilesIn(box.Folder()), (std::vector<std::string>{"t", "t.qtsk"}));
}

}  // namespace
}  // namespace kartovel
