// Which records of a failed-tile file its task lets through: the tile-name kind taken from
// the task file, the names of that kind, and task names that are no refusal.
#include "task/FailedFileScope.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Sandbox.h"
#include "task/TaskName.h"

namespace kartovel {
namespace {

using testing::Sandbox;

struct KindCase {
  const char* taskFile;  // empty: no task file beside the failed-tile file
  const char* accepted;  // empty: no name is of the task's kind
  const char* refused;
};

TEST(FailedFileScopeTest, TakesTheTileNamesKindFromTheTaskFileOrTheBuiltInOne) {
  const KindCase cases[] = {
      {"", "qn_-1_2147483647_25.png", "qn_1_2_13.jpg"},
      {"[Zoom]\r\nZoom=13\r\n", "qn_0_0_13.png", "qn_0_0_12.png"},
      {"[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=0x0D\r\n", "qn_5_6_13.png", "qn_5_6_14.png"},
      {"[MapsType]\r\nMapsType=120\r\n[Zoom]\r\nZoom=3\r\n[Source]\r\nName=O\r\n"
       "Url=http://h/{z}/{x}/{y}\r\nPrefix=osm\r\nExtension=jpg\r\n",
       "osm_3_5_3.jpg", "qn_3_5_3.png"},
      // The copy of a source counts only when it is a valid source of the task's map type.
      {"[MapsType]\r\nMapsType=120\r\n[Source]\r\nName=O\r\nUrl=http://h/{z}/{x}/{y}\r\n"
       "Prefix=../osm\r\n",
       "", "qn_3_5_3.png"},
      {"[Source]\r\nName=O\r\nUrl=http://h/{q}\r\nExtension=webp\r\n", "qn_1_1_1.png",
       "qn_1_1_1.webp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.taskFile);
    Sandbox box;
    std::filesystem::create_directory(box.Path("area"));
    if (*c.taskFile != '\0') {
      Sandbox::WriteAll(box.Path("area.qtsk"), c.taskFile);
    }
    const FailedFileScope scope(box.Path("area_failed.ftl"));
    if (*c.accepted != '\0') {
      EXPECT_FALSE(scope.Refusal({box.Path("area/") + c.accepted, "http://h/t"}));
    }
    EXPECT_TRUE(scope.Refusal({box.Path("area/") + c.refused, "http://h/t"}));
  }
}

TEST(FailedFileScopeTest, AcceptsAnyHttpSchemeSpellingAndAFolderReachedThroughALink) {
  Sandbox box;
  std::filesystem::create_directories(box.Path("real/area"));
  std::filesystem::create_directory_symlink(box.Path("real"), box.Path("via"));
  const FailedFileScope scope(box.Path("via/area_failed.ftl"));
  for (const char* url : {"http://h/t", "HTTPS://h/t", "Http://h/t"}) {
    EXPECT_FALSE(scope.Refusal({box.Path("via/area/qn_1_2_3.png"), url})) << url;
    EXPECT_FALSE(scope.Refusal({box.Path("real/area/./qn_1_2_3.png"), url})) << url;
  }
}

TEST(TaskNameTest, NamesThatLookOddButStayInsideTheFolderAreAccepted) {
  for (const char* name : {"a", "a.qtsk", "a.QTSK", "..a", "a..", "a b", "...a.qtsk", "ä.qtsk", "-",
                           ".hidden-not.qtsk"}) {
    EXPECT_FALSE(TaskNameFault(name)) << name;
  }
  EXPECT_FALSE(SavePathFault("/home/u/My Maps (2)/"));
}

}  // namespace
}  // namespace kartovel
