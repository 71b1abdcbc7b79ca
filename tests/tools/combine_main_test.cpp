// The combiner run without a window, as scripts use it: exit status, output files and
// the message on standard error.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/FileSystem.h"
#include "imaging/PngImage.h"
#include "support/FakeTask.h"
#include "support/PngFileCheck.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

class CombineCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = ProgramFolder() + "combine";
    if (!FileExists(program_)) {
      GTEST_SKIP() << "combine is not built beside the tests";
    }
  }

  // Runs combine with the arguments, standard error into a file; the exit status.
  int Run(const std::string& arguments) {
    std::string command = "'" + program_ + "' " + arguments + " >'" + sandbox_.Path("stdout") +
                          "' 2>'" + sandbox_.Path("stderr") + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Quoted(const std::string& name) const { return "'" + sandbox_.Path(name) + "'"; }

  std::string program_;
  Sandbox sandbox_;
};

TEST_F(CombineCommandTest, WritesTheMosaicAndItsSideFilesAndExitsZero) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  EXPECT_EQ(Run(Quoted("area.qtsk") + " " + Quoted("map.png")), 0)
      << Sandbox::ReadAll(sandbox_.Path("stderr"));
  std::optional<ImageSize> size = ReadPngSize(sandbox_.Path("map.png"));
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 24);
  EXPECT_EQ(size->height, 16);
  for (const char* name : {"map.pgw", "map.prj", "map.txt"}) {
    EXPECT_TRUE(FileExists(sandbox_.Path(name))) << name;
  }
}

TEST_F(CombineCommandTest, AMissingTaskExitsNonZeroWithAMessage) {
  EXPECT_NE(Run(Quoted("none.qtsk") + " " + Quoted("map.png")), 0);
  EXPECT_EQ(Sandbox::ReadAll(sandbox_.Path("stderr")),
            "combine: Cannot open file " + sandbox_.Path("none.qtsk") + ".\n");
  EXPECT_FALSE(FileExists(sandbox_.Path("map.png")));
}

TEST_F(CombineCommandTest, WrongArgumentsShowUsage) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  for (const char* wrong :
       {"", " extra", " --level 0", " --level 10", " --level fast", " --level", " --speed 3"}) {
    EXPECT_EQ(Run(Quoted("area.qtsk") + (*wrong == '\0' ? "" : " " + Quoted("map.png")) + wrong), 2)
        << wrong;
    EXPECT_NE(Sandbox::ReadAll(sandbox_.Path("stderr")).find("usage: combine"), std::string::npos)
        << wrong;
    EXPECT_FALSE(FileExists(sandbox_.Path("map.png"))) << wrong;
  }
}

TEST_F(CombineCommandTest, WritesAtEveryCompressionLevel) {
  testing::WriteFakeTask(sandbox_, testing::FakeTaskPlan{});
  for (const char* level : {"--level 1", "--level=5", "--level 9"}) {
    EXPECT_EQ(Run(Quoted("area.qtsk") + " " + Quoted("map.png") + " " + level), 0)
        << level << Sandbox::ReadAll(sandbox_.Path("stderr"));
    EXPECT_TRUE(ReadPngSize(sandbox_.Path("map.png"))) << level;
  }
}

// A PNG whose header claims a size and that holds no pixels: what a reader of headers sees
// in a crafted tile.
std::string PngClaimingSize(uint32_t width, uint32_t height) {
  auto bigEndian = [](uint32_t value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                       static_cast<char>(value >> 8), static_cast<char>(value)};
  };
  auto chunk = [&bigEndian](const std::string& type, const std::string& data) {
    const std::string typed = type + data;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    return bigEndian(static_cast<uint32_t>(data.size())) + typed +
           bigEndian(static_cast<uint32_t>(crc));
  };
  const std::string header =
      bigEndian(width) + bigEndian(height) + std::string("\x08\x06\0\0\0", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", "") +
         chunk("IEND", "");
}

std::string ListLine(const std::string& name, const std::string& edges = "10 11 50 49") {
  return name + ": " + edges + "\r\n";
}

struct HostileList {
  const char* what;
  std::vector<std::string> lines;                          // after the heading line
  std::vector<std::pair<std::string, std::string>> tiles;  // tile files: name, bytes
  int exitStatus;
  const char* says;  // part of standard error (status 1) or standard output (status 0)
};

TEST_F(CombineCommandTest, HostileListsEndWithAMessageAndNeverWithASignal) {
  testing::FakeTaskPlan sample;
  sample.name = "sample";
  sample.tileSide = 8;
  const std::string small = Sandbox::ReadAll(testing::WriteFakeTask(sandbox_, sample).tileFolder +
                                             testing::FakeTileName(6744, 3104, 13));
  const std::string crafted = PngClaimingSize(200000, 3000);
  const HostileList lists[] = {
      {"rows at both ends of 32 bits",
       {ListLine("qn_0_-2147483648_13.png"), ListLine("qn_0_2147483647_13.png")},
       {},
       1,
       "The mosaic would be 256 x 1099511627776 pixels; one PNG image holds at most 1000000"},
      {"columns at both ends of 32 bits",
       {ListLine("qn_-2147483648_0_13.png"), ListLine("qn_2147483647_0_13.png")},
       {},
       1,
       "The mosaic would be 1099511627776 x 256 pixels"},
      {"both at both ends",
       {ListLine("qn_-2147483648_-2147483648_13.png"), ListLine("qn_2147483647_2147483647_13.png")},
       {},
       1,
       "The mosaic would be 1099511627776 x 1099511627776 pixels"},
      {"wider than a PNG",
       {ListLine("qn_0_0_13.png"), ListLine("qn_999999_0_13.png")},
       {},
       1,
       "The mosaic would be 256000000 x 256 pixels"},
      {"tiles too tall for the memory budget",
       {ListLine("qn_0_0_13.png"), ListLine("qn_99_0_13.png")},
       {{"qn_0_0_13.png", PngClaimingSize(4096, 4096)}},
       1,
       "The mosaic would need 6400 MB of memory for each row of tiles (409600 pixels wide, tiles "
       "4096 pixels high); combine works with at most 1024 MB."},
      {"a crafted header first among true tiles",
       {ListLine("qn_0_0_13.png"), ListLine("qn_1_0_13.png"), ListLine("qn_2_0_13.png")},
       {{"qn_0_0_13.png", crafted}, {"qn_1_0_13.png", small}, {"qn_2_0_13.png", small}},
       0,
       "(24 x 8 pixels, 3 tiles)"},
      {"a crafted header as the only tile file",
       {ListLine("qn_0_0_13.png"), ListLine("qn_1_0_13.png"), ListLine("qn_2_0_13.png")},
       {{"qn_0_0_13.png", crafted}},
       0,
       "(768 x 256 pixels, 3 tiles)"},
      {"an edge that is no number",
       {ListLine("qn_0_0_13.png", "nan 11 50 49")},
       {},
       1,
       "is not a tile line"},
      {"an infinite edge",
       {ListLine("qn_0_0_13.png", "10 inf 50 49")},
       {},
       1,
       "is not a tile line"},
      {"a latitude at the pole",
       {ListLine("qn_0_0_13.png", "10 11 90 49")},
       {},
       1,
       "is not a tile line"},
      {"a longitude beyond any grid",
       {ListLine("qn_0_0_13.png", "1e308 11 50 49")},
       {},
       1,
       "is not a tile line"},
      {"a column beyond 32 bits",
       {ListLine("qn_2147483648_0_13.png")},
       {},
       1,
       "is not a tile line"},
      {"mixed zoom levels",
       {ListLine("qn_0_0_13.png"), ListLine("qn_0_0_14.png")},
       {},
       1,
       "The tile list mixes zoom levels 13 and 14."},
      {"no tiles", {}, {}, 1, "The tile list holds no tiles."},
  };
  for (const HostileList& list : lists) {
    SCOPED_TRACE(list.what);
    std::filesystem::remove_all(sandbox_.Path("hostile"));
    std::filesystem::create_directories(sandbox_.Path("hostile"));
    std::string text = "ImageFileName    Left_Edge_Longitude\r\n";
    for (const std::string& line : list.lines) {
      text += line;
    }
    Sandbox::WriteAll(sandbox_.Path("hostile_list.txt"), text);
    for (const auto& [name, bytes] : list.tiles) {
      Sandbox::WriteAll(sandbox_.Path("hostile/" + name), bytes);
    }
    std::filesystem::remove(sandbox_.Path("map.png"));

    EXPECT_EQ(Run(Quoted("hostile_list.txt") + " " + Quoted("map.png")), list.exitStatus);
    const std::string said =
        Sandbox::ReadAll(sandbox_.Path(list.exitStatus == 0 ? "stdout" : "stderr"));
    EXPECT_NE(said.find(list.says), std::string::npos) << said;
    EXPECT_EQ(FileExists(sandbox_.Path("map.png")), list.exitStatus == 0);
  }
}

// Two tiles 300 columns apart: 3 tiles listed over 301 cells cover less than 1 % of the
// mosaic, which is refused with its figures unless --yes is given.
TEST_F(CombineCommandTest, ANearlyEmptyMosaicIsWrittenOnlyWithYes) {
  testing::FakeTaskPlan plan;
  plan.minX = 6744;
  plan.maxX = 6745;
  plan.maxY = plan.minY;
  testing::FakeTask task = testing::WriteFakeTask(sandbox_, plan);
  std::string list = Sandbox::ReadAll(task.listFile);
  const std::string near = testing::FakeTileName(6745, plan.minY, plan.zoom, "png");
  const std::string far = testing::FakeTileName(7044, plan.minY, plan.zoom, "png");
  std::string farLine = list.substr(list.find(near));
  farLine.replace(0, near.size(), far);
  Sandbox::WriteAll(task.listFile, list + farLine);
  struct Case {
    const char* arguments;
    int status;
  };
  for (const Case& test : {Case{"", 1}, Case{" --yes", 0}}) {
    SCOPED_TRACE(test.arguments);
    std::filesystem::remove(sandbox_.Path("map.png"));
    EXPECT_EQ(Run(Quoted("area.qtsk") + " " + Quoted("map.png") + test.arguments), test.status);
    const std::string error = Sandbox::ReadAll(sandbox_.Path("stderr"));
    if (test.status == 1) {
      EXPECT_EQ(error,
                "combine: The mosaic would be 2408 x 8 pixels (0 megapixels), of which 3 tiles "
                "cover 0.997 %. Not written; give --yes to write it.\n");
      EXPECT_FALSE(FileExists(sandbox_.Path("map.png")));
    } else {
      EXPECT_EQ(testing::PngFileFault(Sandbox::ReadAll(sandbox_.Path("map.png"))), "") << error;
    }
  }
}

}  // namespace
}  // namespace kartovel::tools
