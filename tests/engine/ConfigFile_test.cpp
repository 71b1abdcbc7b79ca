// Where the companions' file choosers start: the configured save folder when it exists.
#include "engine/ConfigFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileSystem.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using testing::Sandbox;

TEST(ConfigFile, TheSaveFolderChoosersStartInIsTheConfiguredOneWhenItExistsAndNeverAMissingOne) {
  Sandbox box;
  const std::string program = box.Path("program/");
  std::filesystem::create_directories(box.Path("maps"));
  const struct {
    const char* config;  // ini/config.ini; nullptr: no file
    bool configured;     // the configured folder is the answer
  } cases[] = {
      {"[IniParas]\r\nDefaultPath=@maps\r\n", true},
      {"[IniParas]\r\nDefaultPath=@missing\r\n", false},
      {"[IniParas]\r\nDefaultPath=\r\n", false},
      {nullptr, false},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(program);
    std::string configured;
    if (c.config != nullptr) {
      std::string text = c.config;
      if (const size_t at = text.find('@'); at != std::string::npos) {
        text.replace(at, 1, box.Folder());
      }
      configured =
          text.substr(text.find('=') + 1, text.find("\r\n", text.find('=')) - text.find('=') - 1);
      std::filesystem::create_directories(program + "ini");
      Sandbox::WriteAll(program + "ini/config.ini", text);
    }
    const std::string folder = config::DefaultSaveFolder(program);
    EXPECT_TRUE(DirectoryExists(folder)) << folder;
    EXPECT_EQ(folder == configured, c.configured) << folder;
  }
}

}  // namespace
}  // namespace kartovel
