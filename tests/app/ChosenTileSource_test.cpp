// The map source a map window fetches: the task's tile addresses, and the configured
// proxy used, or refused when it is on but unusable.
#include "app/ChosenTileSource.h"

#include <gtest/gtest.h>

#include "engine/ConfigFile.h"
#include "common/IniFile.h"
#include "support/MainWindowRig.h"

namespace kartovel {
namespace {

using testing::MainWindowRig;

MapSource ExampleSource() {
  MapSource source;
  source.MapsType = 101;
  source.Name = "Example Topo";
  source.Url = "https://{s}.tiles.example/{z}/{x}/{-y}.jpg";
  source.Subdomains = "abc";
  source.Prefix = "topo";
  source.Extension = "jpg";
  source.UserAgent = "Kartovel test";
  source.MinZoom = 3;
  source.MaxZoom = 17;
  source.Workers = 2;
  source.PauseMs = 500;
  return source;
}

TEST(ChosenTileSourceTest, AddressesAndPacesEachSourceAsItsTaskDoes) {
  for (const MapSource& chosen : {BuiltInMapSource(), ExampleSource()}) {
    MainWindowRig rig;
    ASSERT_TRUE(rig.Click(&TForm1::FormShow));
    rig.Form->MapSources = {BuiltInMapSource(), ExampleSource()};
    rig.Form->ComboBoxMapsTypeItemIndex = IsBuiltIn(chosen) ? 0 : 1;
    const TileSource source = ChosenTileSource(*rig.Form);
    for (const int32_t zoom : {1, 13, 17}) {
      TaskParameters request;
      request.Zoom = zoom;
      request.MapsType = chosen.MapsType;
      request.Source = chosen;
      request.TileHost = rig.Form->TileHost;
      request.SavePath = rig.Box.Folder();
      request.TaskFileName = "urls.qtsk";
      const DownloadTask task(request);
      EXPECT_EQ(source.TileUrl(0, 0, zoom), task.TileUrl(0, 0)) << chosen.Name;
      EXPECT_EQ(source.TileUrl(1, 2, zoom), task.TileUrl(1, 2)) << chosen.Name;
    }
    EXPECT_EQ(source.Workers, IsBuiltIn(chosen) ? 8 : chosen.Workers);
    EXPECT_EQ(source.Pause.count(), chosen.PauseMs);
    const HttpClientOptions profile =
        IsBuiltIn(chosen) ? WorkerRequestProfile() : SourceRequestProfile(chosen);
    EXPECT_EQ(source.Request.Headers, profile.Headers);
    EXPECT_EQ(source.Request.UserAgent, profile.UserAgent);
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
