// The portable and the installed layout: where the settings are read and written, and the
// user's settings folder made on first use, with the faults a home can hold.
#include "common/ProgramLayout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/Permissions.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

namespace fs = std::filesystem;
using testing::Sandbox;

// prefix/bin/ with prefix/share/kartovel/ini/ (an installation), and a home beside it.
struct Installation {
  Sandbox sandbox;
  std::string Bin() const { return sandbox.Path("prefix/bin/"); }
  std::string Shipped() const { return sandbox.Path("prefix/share/kartovel/ini/"); }
  std::string Home() const { return sandbox.Path("home"); }
  std::string User() const { return Home() + "/.config/kartovel/"; }
  UserEnvironment Environment() const { return UserEnvironment{Home(), "", ""}; }

  Installation() {
    fs::create_directories(Bin());
    fs::create_directories(Shipped());
    fs::create_directories(Home());
    Sandbox::WriteAll(Shipped() + "config.ini", "[IniParas]\r\nVersion=6.436\r\n");
    Sandbox::WriteAll(Shipped() + "sources.ini", "; sources\r\n");
  }
};

TEST(ProgramLayout, SettingsFolderFollowsTheLayoutAndTrustsOnlyARealUserFolder) {
  struct Case {
    const char* name;
    std::function<void(Installation&)> arrange;
    std::function<std::string(const Installation&)> expected;
  };
  const auto shipped = [](const Installation& i) { return i.Shipped(); };
  const auto user = [](const Installation& i) { return i.User(); };
  const Case cases[] = {
      {"portable ini beside the program",
       [](Installation& i) { fs::create_directories(i.Bin() + "ini"); },
       [](const Installation& i) { return i.Bin() + "ini/"; }},
      {"installed, no user folder yet", [](Installation&) {}, shipped},
      {"installed, user folder made", [](Installation& i) { fs::create_directories(i.User()); },
       user},
      {"user folder is a link to a real folder",
       [](Installation& i) {
         fs::create_directories(i.Home() + "/elsewhere");
         fs::create_directories(i.Home() + "/.config");
         fs::create_directory_symlink(i.Home() + "/elsewhere", i.Home() + "/.config/kartovel");
       },
       shipped},
      {"config.ini a link to elsewhere",
       [](Installation& i) {
         fs::create_directories(i.User());
         Sandbox::WriteAll(i.Home() + "/other.ini", "[IniParas]\r\n");
         fs::create_symlink(i.Home() + "/other.ini", i.User() + "config.ini");
       },
       shipped},
      {"sources.ini a pipe",
       [](Installation& i) {
         fs::create_directories(i.User());
         ASSERT_EQ(mkfifo((i.User() + "sources.ini").c_str(), 0600), 0);
       },
       shipped},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Installation installation;
    c.arrange(installation);
    EXPECT_EQ(SettingsFolder(installation.Bin(), installation.Environment()),
              c.expected(installation));
  }
}

TEST(ProgramLayout, XdgVariablesCountOnlyWhenAbsolute) {
  EXPECT_EQ(UserConfigFolder({"/h", "/x/conf", ""}), "/x/conf/kartovel/");
  EXPECT_EQ(UserConfigFolder({"/h", "relative/conf", ""}), "/h/.config/kartovel/");
  EXPECT_EQ(UserDataFolder({"/h/", "", "/x/data/"}), "/x/data/kartovel/");
  EXPECT_EQ(UserDataFolder({"/h", "", ""}), "/h/.local/share/kartovel/");
  EXPECT_EQ(UserConfigFolder({"", "", ""}), "");
}

TEST(ProgramLayout, ShippedFilesLieBesideAPortableProgramAndInShareWhenInstalled) {
  Installation installation;
  EXPECT_EQ(ResourceFolder(installation.Bin()),
            installation.sandbox.Path("prefix/share/kartovel/"));
  fs::create_directories(installation.Bin() + "ini");
  EXPECT_EQ(ResourceFolder(installation.Bin()), installation.Bin());
}

TEST(ProgramLayout, FirstUseCopiesTheDefaultsOwnerOnlyAndNeverReplacesAUsersFile) {
  Installation installation;
  EXPECT_EQ(PrepareSettingsFolder(installation.Bin(), installation.Environment()), "");
  EXPECT_EQ(Sandbox::ReadAll(installation.User() + "config.ini"),
            Sandbox::ReadAll(installation.Shipped() + "config.ini"));
  EXPECT_EQ(Sandbox::ReadAll(installation.User() + "sources.ini"), "; sources\r\n");
  struct stat info {};
  ASSERT_EQ(stat(installation.User().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700U);
  EXPECT_EQ(SettingsFolder(installation.Bin(), installation.Environment()), installation.User());

  Sandbox::WriteAll(installation.User() + "config.ini", "[IniParas]\r\nDefaultPath=/mine\r\n");
  fs::remove(installation.User() + "sources.ini");
  EXPECT_EQ(PrepareSettingsFolder(installation.Bin(), installation.Environment()), "");
  EXPECT_EQ(Sandbox::ReadAll(installation.User() + "config.ini"),
            "[IniParas]\r\nDefaultPath=/mine\r\n");
  EXPECT_TRUE(fs::exists(installation.User() + "sources.ini"));
}

TEST(ProgramLayout, AHomeThatCannotHoldTheSettingsIsToldOnceAndTheDefaultsHold) {
  struct Case {
    const char* name;
    std::function<void(Installation&, UserEnvironment&)> arrange;
  };
  const Case cases[] = {
      {"home is a file",
       [](Installation& i, UserEnvironment&) {
         fs::remove(i.Home());
         Sandbox::WriteAll(i.Home(), "not a folder");
       }},
      {"home read-only",
       [](Installation& i, UserEnvironment&) { fs::permissions(i.Home(), fs::perms(0500)); }},
      {"no home known", [](Installation&, UserEnvironment& e) { e.Home = ""; }},
      {"user folder a link",
       [](Installation& i, UserEnvironment&) {
         fs::create_directories(i.Home() + "/.config");
         fs::create_directory_symlink(i.Home(), i.Home() + "/.config/kartovel");
       }},
      {"config.ini a link",
       [](Installation& i, UserEnvironment&) {
         fs::create_directories(i.User());
         fs::create_symlink("/etc/hostname", i.User() + "config.ini");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Installation installation;
    UserEnvironment environment = installation.Environment();
    c.arrange(installation, environment);
    std::string message;
    {
      testing::ScopedNoPermissionOverride asUser;
      message = PrepareSettingsFolder(installation.Bin(), environment);
    }
    EXPECT_NE(message.find("Kartovel cannot keep its settings in "), std::string::npos) << message;
    EXPECT_NE(message.find("runs on its shipped settings"), std::string::npos) << message;
    EXPECT_EQ(SettingsFolder(installation.Bin(), environment), installation.Shipped());
    std::error_code ignored;  // the home may be a file by now
    fs::permissions(installation.Home(), fs::perms(0700), fs::perm_options::replace, ignored);
  }
}

TEST(ProgramLayout, APortableProgramTouchesNoHomeAndAReadOnlyOneKeepsSettingsPerUser) {
  Installation installation;
  fs::create_directories(installation.Bin() + "ini");
  EXPECT_EQ(PrepareSettingsFolder(installation.Bin(), installation.Environment()), "");
  EXPECT_FALSE(fs::exists(installation.Home() + "/.config"));

  fs::create_directories(installation.User());
  fs::permissions(installation.Bin() + "ini", fs::perms(0500));
  testing::ScopedNoPermissionOverride asUser;
  EXPECT_TRUE(KeepsSettingsPerUser(installation.Bin()));
  EXPECT_EQ(SettingsFolder(installation.Bin(), installation.Environment()), installation.User());
}

}  // namespace
}  // namespace kartovel
