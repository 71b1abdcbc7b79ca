// Name parts of paths as the Start command and the task use them.
#include "common/Paths.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kartovel
