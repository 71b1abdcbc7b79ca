// The file-system operations: copying without replacing, creating one folder level.
#include "common/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/Sandbox.h"

namespace kartovel {
namespace {

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
  // A link to nowhere in the tile's place is a file there: nothing is made at its end.
  std::filesystem::create_symlink(sandbox.Path("outside.png"), sandbox.Path("linked.png"));
  EXPECT_FALSE(CopyFileNoReplace(blank, sandbox.Path("linked.png")));
  EXPECT_FALSE(std::filesystem::exists(sandbox.Path("outside.png")));
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
