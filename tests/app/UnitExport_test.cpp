// The export dialog's model: the file dialogs and their cancels, the report, the
// progress with one pass of events per batch, and a close that abandons the export.
#include "app/UnitExport.h"

#include <gtest/gtest.h>

#include "export/HandMadeTask.h"
#include "support/MbtilesReader.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;
using testing::ScriptedPlatform;

// Calls back on every progress notice.
class ProgressWatcher final : public TfrmExportView {
 public:
  explicit ProgressWatcher(std::function<void()> onProgress) : onProgress_(std::move(onProgress)) {}
  void ProgressChanged() override { onProgress_(); }

 private:
  std::function<void()> onProgress_;
};

TEST(UnitExport, TheDialogsChooseTheTasksAndTheFileAndACancelInEitherExportsNothing) {
  const struct {
    bool chooseTasks;
    bool chooseFile;
    size_t dialogsShown;
    bool exported;
  } cases[] = {{false, false, 1, false}, {true, false, 2, false}, {true, true, 2, true}};
  for (const auto& c : cases) {
    Sandbox box;
    ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
    const std::string taskFile = WriteHandMadeTask(box, HandMadeTask{.name = "area"});
    Sandbox::WriteAll(testing::TilePathOf(box, HandMadeTask{.name = "area"}, 1, 2),
                      testing::TileImage("tile"));
    platform.QueueOpenFilesAnswer(c.chooseTasks ? std::vector{taskFile}
                                                : std::vector<std::string>{});
    platform.QueueSaveFileAnswer(c.chooseFile ? std::optional(box.Path("x.mbtiles"))
                                              : std::nullopt);
    TfrmExport form(platform);
    form.Show();
    form.Button1Click();
    const auto dialogs = platform.OpenFileRequests();
    ASSERT_EQ(dialogs.size(), c.dialogsShown);
    EXPECT_EQ(dialogs[0].Filter, "Projects(*.qtsk)|*.qtsk");
    if (dialogs.size() == 2) {
      EXPECT_EQ(dialogs[1].Filter,
                "MBTiles(*.mbtiles)|*.mbtiles|PMTiles(*.pmtiles)|*.pmtiles|GeoPackage(*.gpkg)|"
                "*.gpkg|OsmAnd or Locus(*.sqlitedb)|*.sqlitedb");
      EXPECT_EQ(dialogs[1].InitialFolder, box.Path("area.mbtiles"));  // the proposed file
    }
    EXPECT_EQ(std::filesystem::exists(box.Path("x.mbtiles")), c.exported);
    EXPECT_EQ(form.Memo1.size(), c.exported ? 2u : 0u);
  }
}

TEST(UnitExport, ReportsEachBatchThroughOnePassOfEventsAndACloseAbandonsTheExport) {
  Sandbox box;
  ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
  const HandMadeTask task{.name = "big", .zoom = 6, .maxX = 63, .maxY = 63};
  const std::string taskFile = WriteHandMadeTask(box, task);
  const int tiles = static_cast<int>(TileExport::kProgressEvery) * 2 + 1;
  for (int i = 0; i < tiles; ++i) {
    Sandbox::WriteAll(testing::TilePathOf(box, task, i % 64, i / 64), testing::TileImage("t"));
  }
  const std::string out = box.Path("big.mbtiles");
  TfrmExport form(platform);
  using Seen = std::pair<int64_t, bool>;  // done, running
  std::vector<Seen> seen;
  ProgressWatcher watcher([&] { seen.emplace_back(form.Progress.Done, form.Running); });
  form.SetView(&watcher);
  form.Show();
  ASSERT_TRUE(form.Export({taskFile}, out));
  EXPECT_EQ(platform.ProcessEventsCount(), 3);  // two full batches and the end
  EXPECT_EQ(seen.front(), Seen(0, false));
  EXPECT_EQ(seen.back(), Seen(tiles, false));
  EXPECT_EQ(form.Memo1.back(), "Exported " + std::to_string(tiles) + " tiles to " + out +
                                   "; left out 0 blank substitutes and 0 unreadable files.");

  ProgressWatcher closer([&form] {
    if (form.Running && form.Progress.Done > 0) {
      form.Close();
    }
  });
  form.SetView(&closer);
  EXPECT_FALSE(form.Export({taskFile}, box.Path("other.mbtiles")));
  EXPECT_EQ(form.Memo1.back(), "Export stopped: " + box.Path("other.mbtiles") + " is unchanged.");
  EXPECT_FALSE(std::filesystem::exists(box.Path("other.mbtiles")));
  EXPECT_FALSE(form.Running);
}

TEST(UnitExport, AStopFromOutsideTheWindowEndsTheExportWithinOneTileAndLeavesNoFile) {
  Sandbox box;
  ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
  const HandMadeTask task{.name = "big", .zoom = 6, .maxX = 63, .maxY = 63};
  const std::string taskFile = WriteHandMadeTask(box, task);
  for (int i = 0; i < 50; ++i) {
    Sandbox::WriteAll(testing::TilePathOf(box, task, i % 64, i / 64), testing::TileImage("t"));
  }
  for (const int askedAt : {1, 5, 50}) {
    TfrmExport form(platform);
    form.Show();
    int asked = 0;
    form.SetStopCheck([&asked, askedAt] { return ++asked >= askedAt; });
    const std::string out = box.Path("stopped.mbtiles");
    EXPECT_FALSE(form.Export({taskFile}, out)) << askedAt;
    EXPECT_EQ(asked, askedAt);  // once before each tile, the first true ends it
    EXPECT_EQ(form.Memo1.back(), "Export stopped: " + out + " is unchanged.");
    EXPECT_FALSE(form.WriteFailed);
    for (const auto& entry : std::filesystem::directory_iterator(box.Folder())) {
      EXPECT_EQ(entry.path().filename().string().find("stopped"), std::string::npos)
          << entry.path();
    }
  }
}

}  // namespace
}  // namespace kartovel
