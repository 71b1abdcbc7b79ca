// Name parts of paths as the Start command and the task use them.
#include "common/Paths.h"

#include <gtest/gtest.h>

#include "common/FileSystem.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

TEST(Paths, NamePartsAndExtensions) {
  struct Case {
    const char* full;
    const char* folder;
    const char* name;
    const char* extension;
    const char* withoutExtension;
  };
  const Case cases[] = {
      {"/d/maps/survey.qtsk", "/d/maps/", "survey.qtsk", ".qtsk", "/d/maps/survey"},
      {"area", "", "area", "", "area"},
      {"area.txt.qtsk", "", "area.txt.qtsk", ".qtsk", "area.txt"},
      {"/d/v1.2/area", "/d/v1.2/", "area", "", "/d/v1.2/area"},
      {"a.QTSK", "", "a.QTSK", ".QTSK", "a"},
      {"/d/", "/d/", "", "", "/d/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.full), c.folder) << c.full;
    EXPECT_EQ(ExtractFileName(c.full), c.name) << c.full;
    EXPECT_EQ(ExtractFileExt(c.full), c.extension) << c.full;
    EXPECT_EQ(RemoveFileExt(c.full), c.withoutExtension) << c.full;
  }
}

TEST(Paths, EveryFolderEndsWithOneSeparator) {
  EXPECT_EQ(IncludeTrailingSeparator("/d/maps"), "/d/maps/");
  EXPECT_EQ(IncludeTrailingSeparator("/d/maps/"), "/d/maps/");
  EXPECT_EQ(IncludeTrailingSeparator(""), "");
}

TEST(FileSystem, CopyNeverReplacesAnExistingFile) {
  testing::Sandbox sandbox;
  std::string blank = sandbox.Path("blank.png");
  std::string tile = sandbox.Path("tile.png");
  testing::Sandbox::WriteAll(blank, "BLANK");
  EXPECT_TRUE(CopyFileNoReplace(blank, tile));
  EXPECT_EQ(testing::Sandbox::ReadAll(tile), "BLANK");

  testing::Sandbox::WriteAll(tile, "REAL TILE");
  EXPECT_FALSE(CopyFileNoReplace(blank, tile));
  EXPECT_EQ(testing::Sandbox::ReadAll(tile), "REAL TILE");
  EXPECT_FALSE(CopyFileNoReplace(sandbox.Path("missing.png"), sandbox.Path("other.png")));
  EXPECT_FALSE(FileExists(sandbox.Path("other.png")));
}

TEST(FileSystem, CreatesOneFolderLevelOnly) {
  testing::Sandbox sandbox;
  EXPECT_TRUE(CreateOneDirectory(sandbox.Path("maps")));
  EXPECT_TRUE(DirectoryExists(sandbox.Path("maps")));
  EXPECT_FALSE(CreateOneDirectory(sandbox.Path("a/b")));
  EXPECT_FALSE(DirectoryExists(sandbox.Path("a")));
}

}  // namespace
}  // namespace kartovel
