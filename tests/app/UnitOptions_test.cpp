// The options dialog against a configuration file in a sandboxed program folder.
#include "app/UnitOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/HandlerGuard.h"
#include "common/Paths.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::Sandbox;
using testing::ScriptedPlatform;

std::string ConfigText(const std::string& useProxy) {
  return "[IniParas]\r\n"
         "DefaultPath=/data/tiles/\r\n"
         "Version=7.2\r\n"
         "\r\n"
         "[Proxy]\r\n"
         "UseProxy=" +
         useProxy +
         "\r\n"
         "ProxyServer=proxy.example\r\n"
         "ProxyPort=3128\r\n"
         "ProxyUsername=walker\r\n"
         "ProxyPassword=se cret\r\n";
}

class UnitOptionsTest : public ::testing::Test {
 protected:
  UnitOptionsTest() { std::filesystem::create_directory(sandbox.Path("ini")); }

  std::string ConfigFile() const { return sandbox.Path("ini/config.ini"); }
  void WriteConfig(const std::string& text) { Sandbox::WriteAll(ConfigFile(), text); }
  bool PressOk() {
    return RunHandler(platform, [this] { dialog.Button1Click(); });
  }

  Sandbox sandbox;
  ScriptedPlatform platform{sandbox.Folder()};
  TfrmOptions dialog{platform};
};

TEST_F(UnitOptionsTest, ShowsTheStoredValues) {
  WriteConfig(ConfigText("1"));
  dialog.Show();
  EXPECT_TRUE(dialog.Visible);
  EXPECT_EQ(dialog.Edit12, "/data/tiles/");
  EXPECT_TRUE(dialog.CheckBoxUseProxy);
  EXPECT_EQ(dialog.EditProxyServer, "proxy.example");
  EXPECT_EQ(dialog.EditProxyPort, "3128");
  EXPECT_EQ(dialog.EditProxyUsername, "walker");
  EXPECT_EQ(dialog.EditProxyPassword, "se cret");
}

TEST_F(UnitOptionsTest, WithoutAFileShowsTheDefaults) {
  dialog.EditProxyServer = "left over";
  dialog.CheckBoxUseProxy = true;
  dialog.Show();
  EXPECT_EQ(dialog.Edit12, DefaultDownloadFolder());
  EXPECT_FALSE(dialog.CheckBoxUseProxy);
  EXPECT_EQ(dialog.EditProxyServer, "");
  EXPECT_EQ(dialog.EditProxyPort, "");
  EXPECT_EQ(dialog.EditProxyUsername, "");
  EXPECT_EQ(dialog.EditProxyPassword, "");
}

struct UseProxyCase {
  const char* stored;
  bool ticked;
};

class UseProxyTest : public UnitOptionsTest, public ::testing::WithParamInterface<UseProxyCase> {};

// Only a value of exactly 1 ticks the box, and OK normalises whatever was stored to 1 or 0.
TEST_P(UseProxyTest, TicksOnlyForOneAndOkRewritesTheKeyAsOneOrZero) {
  WriteConfig(ConfigText(GetParam().stored));
  dialog.Show();
  EXPECT_EQ(dialog.CheckBoxUseProxy, GetParam().ticked);
  EXPECT_TRUE(PressOk());
  EXPECT_EQ(Sandbox::ReadAll(ConfigFile()), ConfigText(GetParam().ticked ? "1" : "0"));
}

INSTANTIATE_TEST_SUITE_P(StoredValues, UseProxyTest,
                         ::testing::Values(UseProxyCase{"1", true}, UseProxyCase{"0x1", true},
                                           UseProxyCase{"2", false}, UseProxyCase{"0", false},
                                           UseProxyCase{"-1", false}, UseProxyCase{"on", false},
                                           UseProxyCase{"", false}));

TEST_F(UnitOptionsTest, OkWritesTheSixKeysAsTypedAndCloses) {
  WriteConfig(ConfigText("0"));
  dialog.Show();
  dialog.Edit12 = "/elsewhere";
  dialog.CheckBoxUseProxy = true;
  dialog.EditProxyServer = "10.0.0.9";
  dialog.EditProxyPort = "not a port";
  dialog.EditProxyUsername = "";
  dialog.EditProxyPassword = "p=w";
  EXPECT_TRUE(PressOk());
  EXPECT_FALSE(dialog.Visible);
  EXPECT_EQ(Sandbox::ReadAll(ConfigFile()),
            "[IniParas]\r\n"
            "DefaultPath=/elsewhere\r\n"
            "Version=7.2\r\n"
            "\r\n"
            "[Proxy]\r\n"
            "UseProxy=1\r\n"
            "ProxyServer=10.0.0.9\r\n"
            "ProxyPort=not a port\r\n"
            "ProxyUsername=\r\n"
            "ProxyPassword=p=w\r\n");
}

TEST_F(UnitOptionsTest, OkCreatesTheFileWithTheKeysInTheirOrder) {
  dialog.Show();
  EXPECT_TRUE(PressOk());
  const std::string text = Sandbox::ReadAll(ConfigFile());
  std::size_t previous = 0;
  for (const char* line :
       {"[IniParas]\r\n", "DefaultPath=", "[Proxy]\r\n", "UseProxy=0\r\n", "ProxyServer=\r\n",
        "ProxyPort=\r\n", "ProxyUsername=\r\n", "ProxyPassword=\r\n"}) {
    const std::size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << line << " missing in\n" << text;
    EXPECT_GE(at, previous) << line << " out of order in\n" << text;
    previous = at;
  }
  EXPECT_NE(text.find("DefaultPath=" + DefaultDownloadFolder() + "\r\n"), std::string::npos);
}

TEST_F(UnitOptionsTest, AFailedWriteIsShownAndTheDialogStaysOpen) {
  std::filesystem::remove(sandbox.Path("ini"));
  dialog.Show();
  dialog.EditProxyServer = "typed";
  EXPECT_FALSE(PressOk());
  EXPECT_THAT(platform.Errors(), ElementsAre("Unable to write to " + ConfigFile() + "."));
  EXPECT_TRUE(dialog.Visible);
  EXPECT_EQ(dialog.EditProxyServer, "typed");
  EXPECT_FALSE(std::filesystem::exists(sandbox.Path("ini")));
}

TEST_F(UnitOptionsTest, CancelWritesNothingAndTheNextShowStartsFromTheFile) {
  WriteConfig(ConfigText("1"));
  dialog.Show();
  dialog.Edit12 = "/abandoned";
  dialog.CheckBoxUseProxy = false;
  dialog.Button2Click();
  EXPECT_FALSE(dialog.Visible);
  EXPECT_EQ(Sandbox::ReadAll(ConfigFile()), ConfigText("1"));
  dialog.Show();
  EXPECT_EQ(dialog.Edit12, "/data/tiles/");
  EXPECT_TRUE(dialog.CheckBoxUseProxy);
}

TEST_F(UnitOptionsTest, FindsTheFileAfreshFromTheProgramFolder) {
  Sandbox other;
  std::filesystem::create_directory(other.Path("ini"));
  Sandbox::WriteAll(other.Path("ini/config.ini"), "[IniParas]\r\nDefaultPath=/other/\r\n");
  WriteConfig(ConfigText("0"));
  dialog.Show();
  EXPECT_EQ(dialog.Edit12, "/data/tiles/");
  platform.SetProgramFolder(other.Folder());
  dialog.Show();
  EXPECT_EQ(dialog.Edit12, "/other/");
}

TEST_F(UnitOptionsTest, TheFolderBrowserFillsThePathUnlessCancelled) {
  dialog.Edit12 = "/before";  // no such folder: the browser starts where the platform likes
  platform.QueueFolderAnswer(std::nullopt);
  platform.QueueFolderAnswer("/chosen/folder");
  dialog.Button3Click();
  EXPECT_EQ(dialog.Edit12, "/before");
  dialog.Button3Click();
  EXPECT_EQ(dialog.Edit12, "/chosen/folder");
  EXPECT_THAT(platform.FolderBrowserTitles(), ElementsAre("Select path", "Select path"));
  EXPECT_EQ(platform.FolderRequests()[0].InitialFolder, "");
  EXPECT_THAT(platform.Errors(), IsEmpty());
  dialog.Edit12 = sandbox.Folder();  // a folder that exists: the browser starts there
  dialog.Button3Click();
  EXPECT_EQ(platform.FolderRequests()[2].InitialFolder, sandbox.Folder());
}

}  // namespace
}  // namespace kartovel
