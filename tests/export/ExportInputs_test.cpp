// The export's guards against unsafe inputs: an output that is one of the tasks' own
// files or no MBTiles name, tile files that are links, pipes or no image, task files the
// program never writes, and the temporaries a killed export left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "common/Error.h"
#include "export/HandMadeTask.h"
#include "export/TileExport.h"
#include "support/FolderSnapshot.h"
#include "support/MbtilesReader.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;
using testing::HandMadeTask;
using testing::Sandbox;

constexpr char kBlank[] = "BLANK-IMAGE";

std::string RefusalOf(const std::function<void()>& step) {
  try {
    step();
  } catch (const AppError& error) {
    return error.what();
  }
  return "";
}

TEST(ExportInputs, AnOutputThatIsATasksOwnFileOrNoMbtilesNameIsRefusedAndNothingIsWritten) {
  Sandbox box;
  const HandMadeTask task{.name = "A"};
  const std::string taskFile = WriteHandMadeTask(box, task);
  const std::string other = WriteHandMadeTask(box, HandMadeTask{.name = "B"});
  Sandbox::WriteAll(box.Path("A_list.txt"), "list");
  Sandbox::WriteAll(box.Path("A_log.txt"), "log");
  Sandbox::WriteAll(testing::TilePathOf(box, task, 1, 1), testing::TileImage("tile"));
  testing::WriteFailedFile(box, task, {});
  // Other names of the task's files: a link, a hard link, a path with a detour.
  fs::create_symlink(taskFile, box.Path("alias.mbtiles"));
  fs::create_hard_link(box.Path("A_log.txt"), box.Path("log.mbtiles"));
  fs::create_symlink(box.Path("A"), box.Path("folder.mbtiles"));
  fs::create_directory(box.Path("maps.pmtiles"));
  const std::string program = testing::WriteProgramFolder(box, kBlank);
  const struct {
    std::string out;
    std::string refusal;
  } cases[] = {
      {other, ": an export file's name ends in .mbtiles"},  // the output forgotten
      {taskFile, ": an export file's name ends in .mbtiles"},
      {box.Path("A_list.txt"), ": an export file's name ends in .mbtiles"},
      {box.Path(".mbtiles"), ": an export file's name ends in .mbtiles"},
      {box.Path("alias.mbtiles"), ": it is " + taskFile + ", a file of the task " + taskFile},
      {box.Path("log.mbtiles"), ": it is " + box.Path("A_log.txt")},
      {box.Path("folder.mbtiles"), ": it is " + box.Path("A")},
      {box.Path("sub/../A.qtsk"), ": an export file's name ends in .mbtiles"},
      {box.Path("maps.pmtiles"), ": it is a folder."},
  };
  const testing::FolderSnapshot before = testing::SnapshotFolder(box.Folder());
  for (const auto& c : cases) {
    const std::string refusal = RefusalOf([&] {
      TileExport({taskFile, other}, program).WriteTo(c.out, nullptr);
    });
    EXPECT_TRUE(refusal.starts_with("Cannot export to " + c.out + ":")) << refusal;
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << c.out << ": " << refusal;
  }
  EXPECT_EQ(testing::SnapshotFolder(box.Folder()), before);
  // An upper-case extension is an MBTiles name too.
  EXPECT_TRUE(TileExport({taskFile}, program).WriteTo(box.Path("UP.MBTILES"), nullptr));
}

// Opens the pipe for writing if the export still waits on it after a while, so that a
// reader that blocks fails the test instead of hanging it.
class PipeUnblocker {
 public:
  explicit PipeUnblocker(std::string pipe)
      : thread_([this, pipe = std::move(pipe)] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::seconds(5), [this] { return finished_; })) {
            const int writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
              close(writer);
            }
          }
        }) {}
  ~PipeUnblocker() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

TEST(ExportInputs, OnlyRegularFilesInTheTileFolderThatAreImagesOfTheTasksTypeAreExported) {
  enum class Kind { Image, LinkOut, LinkInside, Pipe, Folder, NoImage, OtherType, CutShort };
  const struct {
    int x;
    Kind kind;
    std::string report;  // the line that names it; empty: none
  } cases[] = {
      {0, Kind::Image, ""},
      {1, Kind::LinkOut, "it is a symbolic link, not a regular file."},
      {2, Kind::LinkInside, "it is a symbolic link, not a regular file."},
      {3, Kind::Pipe, "it is a named pipe, not a regular file."},
      {4, Kind::Folder, "it is a folder, not a regular file."},
      {5, Kind::NoImage, "it is not a PNG image."},
      {6, Kind::OtherType, "it is not a PNG image."},
      {7, Kind::CutShort, "the PNG image is cut short."},
  };
  Sandbox box;
  const HandMadeTask task{.name = "t", .zoom = 3, .maxX = 7, .maxY = 0};
  const std::string taskFile = WriteHandMadeTask(box, task);
  // A file only its owner may read, elsewhere: a link must not carry it into the export.
  const std::string secret = box.Path("secret.png");
  Sandbox::WriteAll(secret, testing::TileImage("secret"));
  fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
  std::string pipe;
  for (const auto& c : cases) {
    const std::string path = testing::TilePathOf(box, task, c.x, 0);
    switch (c.kind) {
      case Kind::Image:
        Sandbox::WriteAll(path, testing::TileImage("tile"));
        break;
      case Kind::LinkOut:
        fs::create_symlink(secret, path);
        break;
      case Kind::LinkInside:
        fs::create_symlink(testing::TilePathOf(box, task, 0, 0), path);
        break;
      case Kind::Pipe:
        ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        pipe = path;
        break;
      case Kind::Folder:
        fs::create_directory(path);
        break;
      case Kind::NoImage:
        Sandbox::WriteAll(path, "<html>quota exceeded</html>");
        break;
      case Kind::OtherType:
        Sandbox::WriteAll(path, testing::TileImage("jpeg", "jpg"));
        break;
      case Kind::CutShort:
        Sandbox::WriteAll(path, testing::TileImage("a disk filled up").substr(0, 40));
        break;
    }
  }
  std::vector<std::string> reports;
  std::optional<ExportCounts> counts;
  {
    const PipeUnblocker unblocker(pipe);
    counts = TileExport({taskFile}, testing::WriteProgramFolder(box, kBlank))
                 .WriteTo(box.Path("out.mbtiles"), nullptr,
                          {nullptr, [&](const std::string& line) { reports.push_back(line); }});
  }
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->Exported, 1);
  EXPECT_EQ(counts->Unreadable, static_cast<int64_t>(std::size(cases)) - 1);
  const auto content = testing::ReadMbtiles(box.Path("out.mbtiles"));
  ASSERT_EQ(content.Tiles.size(), 1u);
  EXPECT_EQ(content.Tiles.begin()->second, testing::TileImage("tile"));
  for (const auto& c : cases) {
    if (c.report.empty()) {
      continue;
    }
    const std::string line = "Left out " + testing::TilePathOf(box, task, c.x, 0) + ": " + c.report;
    EXPECT_EQ(std::count(reports.begin(), reports.end(), line), 1) << line;
  }
  EXPECT_EQ(reports.size(), std::size(cases) - 1);
}

TEST(ExportInputs, TaskFilesWithAZoomOrRangeTheProgramNeverWritesAreRefusedByName) {
  MapSource source;
  source.MapsType = 100;
  source.Name = "Own";
  source.Url = "http://127.0.0.1:1/{z}/{x}/{y}.png";
  source.Prefix = "own";
  source.Extension = "png";
  source.MinZoom = 5;
  source.MaxZoom = 12;
  const int kMax = 2147483647;
  const struct {
    HandMadeTask task;
    std::string fault;  // empty: the task is accepted
  } cases[] = {
      {{.name = "odd", .zoom = -5}, "zoom level -5 is not one of its map type's, 1 to 19"},
      {{.name = "odd", .zoom = 0}, "zoom level 0 is not one of its map type's, 1 to 19"},
      {{.name = "odd", .zoom = 20}, "zoom level 20 is not one of its map type's, 1 to 19"},
      {{.name = "odd", .zoom = 31}, "zoom level 31"},
      {{.name = "odd", .zoom = 64}, "zoom level 64"},
      {{.name = "odd", .zoom = kMax}, "zoom level 2147483647"},
      {{.name = "odd", .zoom = 4, .source = source}, "zoom level 4 is not one of its map type's, 5 to 12"},
      {{.name = "odd", .zoom = 13, .source = source}, "zoom level 13 is not one of its map type's, 5 to 12"},
      {{.name = "odd", .zoom = 2, .minX = -1}, "lies outside the grid of zoom level 2"},
      {{.name = "odd", .zoom = 2, .maxX = 5}, "lies outside the grid of zoom level 2"},
      {{.name = "odd", .zoom = 2, .maxY = 4}, "lies outside the grid of zoom level 2"},
      {{.name = "odd", .zoom = 2, .minX = 3, .maxX = 2}, "lies outside the grid of zoom level 2"},
      {{.name = "odd", .zoom = 19, .minX = -kMax - 1, .minY = -kMax - 1, .maxX = kMax, .maxY = kMax},
       "(columns -2147483648 to 2147483647, rows -2147483648 to 2147483647) lies outside"},
      // Longitude 180 names the column past the east edge.
      {{.name = "odd", .zoom = 2, .maxX = 4, .maxY = 3}, ""},
      {{.name = "odd", .zoom = 19, .maxX = 524288, .maxY = 524287}, ""},
      {{.name = "odd", .zoom = 5, .source = source}, ""},
  };
  for (const auto& c : cases) {
    Sandbox box;
    HandMadeTask task = c.task;

    const std::string taskFile = WriteHandMadeTask(box, task);
    const std::string program = testing::WriteProgramFolder(box, kBlank);
    const std::string refusal = RefusalOf([&] { TileExport({taskFile}, program); });
    if (c.fault.empty()) {
      EXPECT_EQ(refusal, "") << task.zoom;
      continue;
    }
    EXPECT_TRUE(refusal.starts_with("The task file " + taskFile + " is refused: ")) << refusal;
    EXPECT_NE(refusal.find(c.fault), std::string::npos) << refusal;
    EXPECT_EQ(RefusalOf([&] { ReadSoundTaskTiles(taskFile); }), refusal);
  }
}

TEST(ExportInputs, TheTemporariesOfAnInterruptedExportOfTheSameFileAreRemovedAtItsStart) {
  Sandbox box;
  const std::string taskFile = WriteHandMadeTask(box, HandMadeTask{.name = "t"});
  const std::string out = box.Path("out.mbtiles");
  const std::vector<std::string> stale = {"out.mbtiles.tmp-a1B2c3", "out.mbtiles.tmp-XXXXXX"};
  const std::vector<std::string> kept = {"out.mbtiles.tmp-a1B2c3d", "other.mbtiles.tmp-a1B2c3",
                                         "out.mbtiles.tmp-folder"};
  for (const std::string& name : stale) {
    Sandbox::WriteAll(box.Path(name), "left by a kill");
  }
  Sandbox::WriteAll(box.Path(kept[0]), "not a temporary of the export");
  Sandbox::WriteAll(box.Path(kept[1]), "another file's temporary");
  fs::create_directory(box.Path(kept[2]));
  ASSERT_TRUE(TileExport({taskFile}, testing::WriteProgramFolder(box, kBlank)).WriteTo(out, nullptr));
  for (const std::string& name : stale) {
    EXPECT_FALSE(fs::exists(box.Path(name))) << name;
  }
  for (const std::string& name : kept) {
    EXPECT_TRUE(fs::exists(box.Path(name))) << name;
  }
  EXPECT_TRUE(fs::exists(out));
}

}  // namespace
}  // namespace kartovel
