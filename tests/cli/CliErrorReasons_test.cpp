// The command line's failures say why: the system's reason after the fixed texts, a file
// that cannot be created reported before any word of an export, a refusing proxy named.
#include <unistd.h>

#include <filesystem>

#include "cli/CliRig.h"
#include "support/ClosedPorts.h"

namespace kartovel::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(KartovelCliReasons, FoldersThatCannotBeMadeAndFilesThatCannotBeCreatedSayWhy) {
  CliRig rig;
  const std::string readOnly = rig.Box.Path("ro");
  std::filesystem::create_directories(readOnly);
  std::filesystem::permissions(
      readOnly, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const bool asRoot = geteuid() == 0;  // root writes into any folder
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  std::vector<Case> cases = {
      {{"download", "--left", "10", "--right", "10.5", "--top", "50", "--bottom", "49.6", "--zoom",
        "10", "--name", "t", "--path", rig.Box.Path("a/b/c")},
       "Create directory " + rig.Box.Path("a/b/c") + " Failed: No such file or directory.\n"},
      {{"export", "/nonexistent/x.mbtiles", rig.MapsFile("t.qtsk")},
       "Cannot create file /nonexistent/x.mbtiles: No such file or directory.\n"},
  };
  if (!asRoot) {
    cases.push_back({{"download", "--left", "10", "--right", "10.5", "--top", "50", "--bottom",
                      "49.6", "--zoom", "10", "--name", "t", "--path", readOnly},
                     "Create directory " + readOnly +
                         "/t/ Failed: Permission denied.\n"
                         "Error: Create task failure.\n"});
  }
  ASSERT_EQ(rig.Run(rig.Download("10", "t")).Status, 0);
  for (const Case& c : cases) {
    const CliRun run = rig.Run(c.arguments);
    EXPECT_EQ(run.Status, 3) << c.arguments[0] << ": " << run.Err;
    EXPECT_EQ(run.Err, c.error) << c.arguments[0];
    EXPECT_FALSE(Contains(run.Out, "Exporting")) << run.Out;
  }
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_all);
}

TEST(KartovelCliReasons, AProxyThatRefusesIsNamedInTheLogLineAndTheEarlyEnd) {
  CliRig rig;
  const RefusedPort proxy;
  const std::string name = "127.0.0.1:" + std::to_string(proxy.Port());
  Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                    "[IniParas]\r\nVersion=6.436\r\n[Proxy]\r\nUseProxy=1\r\nProxyServer=127.0.0.1"
                    "\r\nProxyPort=" +
                        std::to_string(proxy.Port()) +
                        "\r\n[TileService]\r\nHost=" + rig.Server.HostPort() + "\r\n");
  const CliRun run = rig.Run(rig.Download("10", "t"));
  EXPECT_EQ(run.Status, 1) << run.Err;
  const std::string sentence = "The proxy " + name + " refused the connection.";
  EXPECT_TRUE(Contains(
      run.Out, "ended early: Error: Your network has problem, please check it. " + sentence))
      << run.Out;
  const std::string log = Sandbox::ReadAll(rig.MapsFile("t_log.txt"));
  EXPECT_TRUE(Contains(log, "Connection refused.->http://")) << log;
  EXPECT_TRUE(Contains(log, ": " + sentence + "\r\n")) << log;
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

}  // namespace
}  // namespace kartovel::testing
