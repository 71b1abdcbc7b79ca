// The desktop's download folder read from user-dirs.dirs.
#include "common/UserDirs.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

TEST(UserDirs, ReadsTheDownloadLineAsItsWriterWritesIt) {
  struct Case {
    std::string text;
    std::optional<std::string> folder;
  };
  const Case cases[] = {
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n",
       "/home/u/Downloads"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements/\"", "/home/u/Téléchargements"},
      {"XDG_DOWNLOAD_DIR=\"/data/dl\"\n", "/data/dl"},
      {"XDG_DOWNLOAD_DIR=\"$HOME/\"\n", std::nullopt},  // the home: none named
      {"XDG_DOWNLOAD_DIR=\"$HOMEX/dl\"\n", std::nullopt},
      {"XDG_DOWNLOAD_DIR=\"relative/dl\"\n", std::nullopt},
      {"XDG_DOWNLOAD_DIR=\"$HOME/a\\\"b\"\n", std::nullopt},
      {"XDG_DOWNLOAD_DIR=\"$HOME/unclosed\n", std::nullopt},
      {"#XDG_DOWNLOAD_DIR=\"$HOME/off\"\n", std::nullopt},
      {"", std::nullopt},
      {std::string("XDG_DOWNLOAD_DIR=\"\0\"", 20), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DownloadFolderNamedIn(c.text, "/home/u"), c.folder);
  }
}

}  // namespace
}  // namespace kartovel
