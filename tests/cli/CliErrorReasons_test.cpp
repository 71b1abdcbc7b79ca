// The command line's failures say why: the system's reason after the fixed texts, a file
// that cannot be created reported before any word of an export, a refusing proxy named.
#include "cli/CliRig.h"
#include "support/ClosedPorts.h"

namespace kartovel::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(KartovelCliReasons, FoldersAndFilesThatCannotBeMadeSayWhyAndNothingIsPromisedBefore) {
  CliRig rig;
  ASSERT_EQ(rig.Run(rig.Download("10", "t")).Status, 0);
  std::vector<std::string> download = rig.Download("10", "t");
  download.back() = rig.Box.Path("a/b/c");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {download, "Create directory " + download.back() + " Failed: No such file or directory.\n"},
      {{"export", "/nonexistent/x.mbtiles", rig.MapsFile("t.qtsk")},
       "Cannot create file /nonexistent/x.mbtiles: No such file or directory.\n"}};
  for (const auto& [arguments, error] : cases) {
    const CliRun run = rig.Run(arguments);
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_EQ(run.Err, error);
    EXPECT_FALSE(Contains(run.Out, "Exporting")) << run.Out;
  }
}

TEST(KartovelCliReasons, AProxyThatRefusesIsNamedInTheLogLineAndTheEarlyEnd) {
  CliRig rig;
  const RefusedPort proxy;
  const std::string port = std::to_string(proxy.Port());
  Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                    "[Proxy]\r\nUseProxy=1\r\nProxyServer=127.0.0.1\r\nProxyPort=" + port +
                        "\r\n[TileService]\r\nHost=" + rig.Server.HostPort() + "\r\n");
  const CliRun run = rig.Run(rig.Download("10", "t"));
  EXPECT_EQ(run.Status, 1) << run.Err;
  const std::string named = "The proxy 127.0.0.1:" + port + " refused the connection.";
  EXPECT_TRUE(
      Contains(run.Out, "early: Error: Your network has problem, please check it. " + named))
      << run.Out;
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("t_log.txt")), "refused.->http://"));
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("t_log.txt")), ": " + named + "\r\n"));
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

}  // namespace
}  // namespace kartovel::testing
