// The map source a map window fetches: the task's tile addresses, and the configured
// proxy used, or refused when it is on but unusable.
#include "app/ChosenTileSource.h"

#include <gtest/gtest.h>

#include "app/ConfigFile.h"
#include "common/IniFile.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;

TEST(ChosenTileSourceTest, AddressesEachTileAsTheTaskDoes) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.Click(&TForm1::FormShow));
  const TileSource source = ChosenTileSource(*rig.Form);
  for (const int32_t zoom : {0, 1, 13, 19}) {
    TaskParameters request;
    request.Zoom = zoom;
    request.TileHost = rig.Form->TileHost;
    request.SavePath = rig.Box.Folder();
    request.TaskFileName = "urls.qtsk";
    const DownloadTask task(request);
    EXPECT_EQ(source.TileUrl(0, 0, zoom), task.TileUrl(0, 0));
    EXPECT_EQ(source.TileUrl(1, 0, zoom), task.TileUrl(1, 0));
  }
}

TEST(ChosenTileSourceTest, UsesTheConfiguredProxyOrRefusesOneThatCannotBeUsed) {
  struct Case {
    int useProxy;
    const char* server;
    const char* port;
    bool proxied;
    bool refused;
  };
  const Case cases[] = {{0, "proxy.example", "3128", false, false},
                        {1, "proxy.example", "3128", true, false},
                        {1, "", "3128", false, true},
                        {1, "proxy.example", "31x", false, true},
                        {1, "proxy.example", "70000", false, true}};
  for (const Case& c : cases) {
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    TIniFile configuration(rig.Form->ConfigFilePath);
    configuration.WriteInteger(config::kProxy, config::kUseProxy, c.useProxy);
    configuration.WriteString(config::kProxy, config::kProxyServer, c.server);
    configuration.WriteString(config::kProxy, config::kProxyPort, c.port);
    const TileSource source = ChosenTileSource(*rig.Form);
    EXPECT_EQ(source.Request.Proxy.has_value(), c.proxied) << c.server << ":" << c.port;
    EXPECT_EQ(!source.FetchRefusal.empty(), c.refused) << c.server << ":" << c.port;
  }
}

}  // namespace
}  // namespace kartovel
