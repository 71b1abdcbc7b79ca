// verify on tasks and on every kind of file the program writes: whole ones pass, holes
// and blanks are counted and named, and damage of any kind (cut short, a byte changed,
// no file of these formats at all) gives exit status 2 and what is wrong, never a crash.
#include "verify/Verify.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "common/Locale.h"
#include "common/Text.h"
#include "export/HandMadeTask.h"
#include "export/TileExport.h"
#include "imaging/PngEncoder.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;
using testing::HandMadeTask;
using testing::Sandbox;

constexpr char kBlank[] = "BLANK-IMAGE";

std::string Tile(int shade) {
  std::vector<uint8_t> pixels(256 * 256 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = static_cast<uint8_t>(shade + i / 777);
  }
  return tools::EncodePng(256, 256, false, pixels);
}

// A zoom-3 task of 3 x 3 tiles, all present unless a case changes some.
struct TaskRig {
  Sandbox box;
  HandMadeTask task{.name = "area", .zoom = 3, .minX = 1, .minY = 1, .maxX = 3, .maxY = 3};
  std::string taskFile = WriteHandMadeTask(box, task);
  std::string program = testing::WriteProgramFolder(box, kBlank);

  TaskRig() {
    for (int x = 1; x <= 3; ++x) {
      for (int y = 1; y <= 3; ++y) {
        Sandbox::WriteAll(Path(x, y), Tile(x * 3 + y));
      }
    }
  }
  std::string Path(int x, int y) const { return testing::TilePathOf(box, task, x, y); }
};

TEST(Verify, ATaskIsWholeOrItsMissingBlankAndDamagedTilesAreCountedAndNamed) {
  enum class Change { None, Missing, Blank, Truncated, Link, NoImage };
  const struct {
    std::vector<Change> changes;  // applied to tiles (1,1), (2,1), ...
    int status;
    ZoomTally tally;
  } cases[] = {
      {{}, kVerifyWhole, {9, 0, 0, 0}},
      {{Change::Missing, Change::Blank}, kVerifyHoles, {7, 1, 1, 0}},
      {{Change::Missing, Change::Blank, Change::Truncated}, kVerifyDamaged, {6, 1, 1, 1}},
      {{Change::Link, Change::NoImage}, kVerifyDamaged, {7, 0, 0, 2}},
  };
  for (const auto& c : cases) {
    TaskRig rig;
    std::vector<std::string> names;
    for (size_t i = 0; i < c.changes.size(); ++i) {
      const std::string path = rig.Path(1 + static_cast<int>(i), 1);
      names.push_back(fs::path(path).filename().string());
      switch (c.changes[i]) {
        case Change::Missing:
          fs::remove(path);
          break;
        case Change::Blank:
          Sandbox::WriteAll(path, kBlank);
          break;
        case Change::Truncated:
          fs::resize_file(path, fs::file_size(path) / 2);
          break;
        case Change::Link:
          fs::remove(path);
          fs::create_symlink(rig.Path(3, 3), path);
          break;
        case Change::NoImage:
          Sandbox::WriteAll(path, "<html>busy</html>");
          break;
        case Change::None:
          break;
      }
    }
    const VerifyReport report = VerifyTask(rig.taskFile, rig.program, nullptr);
    EXPECT_EQ(report.ExitStatus(), c.status);
    ASSERT_EQ(report.Zooms.size(), 1u);
    const ZoomTally& tally = report.Zooms.at(3);
    EXPECT_EQ(std::vector<int64_t>({tally.Present, tally.Blank, tally.Missing, tally.Damaged}),
              std::vector<int64_t>({c.tally.Present, c.tally.Blank, c.tally.Missing,
                                    c.tally.Damaged}));
    const std::vector<std::string> lines = report.SummaryLines(rig.taskFile);
    EXPECT_EQ(lines[1], "Zoom 3: " + std::to_string(c.tally.Present) + " present, " +
                            std::to_string(c.tally.Blank) + " blank, " +
                            std::to_string(c.tally.Missing) + " missing, " +
                            std::to_string(c.tally.Damaged) + " damaged");
    for (size_t i = 0; i < c.changes.size(); ++i) {
      if (c.changes[i] == Change::Blank) {
        continue;
      }
      const std::string start =
          (c.changes[i] == Change::Missing ? "Missing: " : "Damaged: ") + names[i];
      EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                              [&](const std::string& line) { return line.starts_with(start); }))
          << start;
    }
  }
}

// A shaped task with every tile of its shape is whole: the tiles of its range outside the
// shape were never its to fetch.
TEST(Verify, AShapedTaskIsWholeWithTheShapesTiles) {
  Sandbox box;
  ScopedLocaleOverride locale('.', std::string("2026-12-07 09:30:05"));
  const Shape shape{"t", {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {}}}, {}, 0};
  TaskParameters params;
  TakeShapeArea(params, shape);
  params.Zoom = 12;
  params.SavePath = box.Folder();
  params.TaskFileName = "t.qtsk";
  DownloadTask task(params);
  task.WriteTaskFile();
  const std::string tile = Tile(40);
  task.Coverage().ForEachCovered([&](const TileId& id) {
    Sandbox::WriteAll(task.TilePath(id.X, id.Y), tile);
    return true;
  });
  const VerifyReport report = VerifyTask(task.TaskFilePath(), testing::WriteProgramFolder(box, kBlank),
                                         nullptr);
  EXPECT_EQ(report.ExitStatus(), kVerifyWhole);
  const ZoomTally& tally = report.Zooms.at(12);
  EXPECT_EQ(tally.Present, task.TotalCount);
  EXPECT_LT(tally.Present, task.Range().Count());
  EXPECT_EQ(tally.Missing, 0);
}

// The file of each kind, whole; then cut short at many places and changed byte by byte.
TEST(Verify, EveryKindOfFileIsWholeAndAnyCutOrForeignFileIsDamagedWithoutACrash) {
  TaskRig rig;
  std::vector<std::string> files;
  for (const char* extension : {".mbtiles", ".pmtiles", ".gpkg", ".sqlitedb"}) {
    files.push_back(rig.box.Path(std::string("out") + extension));
    ASSERT_TRUE(TileExport({rig.taskFile}, rig.program).WriteTo(files.back(), nullptr));
  }
  files.push_back(rig.Path(2, 2));  // a PNG
  const char* kinds[] = {"MBTiles", "PMTiles", "GeoPackage", "sqlitedb", "PNG image"};
  for (size_t f = 0; f < files.size(); ++f) {
    const VerifyReport whole = VerifyTarget(files[f], rig.program, nullptr);
    EXPECT_EQ(whole.Kind, kinds[f]);
    EXPECT_EQ(whole.ExitStatus(), kVerifyWhole) << files[f] << ": " << whole.Fault;
    if (f < 4) {
      EXPECT_EQ(whole.Zooms.at(3).Present, 9) << files[f];
    }
    const std::string bytes = Sandbox::ReadAll(files[f]);
    const std::string damaged = rig.box.Path("damaged");
    for (size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 23) {
      Sandbox::WriteAll(damaged, bytes.substr(0, cut));
      const VerifyReport report = VerifyTarget(damaged, rig.program, nullptr);
      EXPECT_EQ(report.ExitStatus(), kVerifyDamaged) << kinds[f] << " cut at " << cut;
    }
    for (size_t at = 0; at < bytes.size(); at += 1 + bytes.size() / 41) {
      std::string changed = bytes;
      changed[at] = static_cast<char>(changed[at] ^ 0x5A);
      Sandbox::WriteAll(damaged, changed);
      const int status = VerifyTarget(damaged, rig.program, nullptr).ExitStatus();
      // A PNG's every byte is covered by a CRC; elsewhere a changed byte may be unused.
      EXPECT_TRUE(f == 4 ? status == kVerifyDamaged : status != kVerifyHoles)
          << kinds[f] << " changed at " << at;
    }
  }
  Sandbox::WriteAll(rig.box.Path("notes.txt"), "a list of tiles");
  ASSERT_EQ(mkfifo(rig.box.Path("pipe").c_str(), 0600), 0);
  for (const std::string& foreign : {rig.box.Path("notes.txt"), rig.box.Path("pipe"),
                                     rig.box.Path("area"), rig.box.Path("absent.pmtiles")}) {
    const VerifyReport report = VerifyTarget(foreign, rig.program, nullptr);
    EXPECT_EQ(report.ExitStatus(), kVerifyDamaged) << foreign;
    EXPECT_FALSE(report.Fault.empty()) << foreign;
  }
}

TEST(Verify, AStopEndsItAtTheNextTileAndTheSummarySaysSo) {
  TaskRig rig;
  int asked = 0;
  const VerifyReport report = VerifyTask(rig.taskFile, rig.program, [&] { return ++asked > 4; });
  EXPECT_TRUE(report.Stopped);
  EXPECT_EQ(report.Zooms.at(3).Present, 4);
  EXPECT_EQ(report.SummaryLines("t").back(), "Verify stopped before the end.");
}

}  // namespace
}  // namespace kartovel
