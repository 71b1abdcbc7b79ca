// The chosen map source for a map window, with the configured proxy.
#include "app/ChosenTileSource.h"

#include "app/ConfigFile.h"
#include "common/IniFile.h"
#include "common/IntegerText.h"

namespace kartovel {
namespace {

constexpr char kBuiltInName[] = "Orvex Maps";
constexpr int32_t kBuiltInPauseMs = 1000;

// The proxy as Start reads it. On but unusable: the refusal to fetch, as a worker would
// refuse rather than go around it.
void UseConfiguredProxy(const std::string& configFile, TileSource& source) {
  const TIniFile configuration(configFile);
  if (configuration.ReadInteger(config::kProxy, config::kUseProxy, 0) != config::kProxyOn) {
    return;
  }
  HttpProxy proxy;
  proxy.Host = configuration.ReadString(config::kProxy, config::kProxyServer, "");
  const std::string portText = configuration.ReadString(config::kProxy, config::kProxyPort, "");
  const std::optional<int32_t> port = ParseIntegerText(portText);
  proxy.Username = configuration.ReadString(config::kProxy, config::kProxyUsername, "");
  proxy.Password = configuration.ReadString(config::kProxy, config::kProxyPassword, "");
  if (proxy.Host.empty()) {
    source.FetchRefusal = "the proxy is on but names no server";
  } else if (!port || *port < 1 || *port > 65535) {
    source.FetchRefusal = "the proxy port \"" + portText + "\" is not a port number";
  } else {
    proxy.Port = *port;
    source.Request.Proxy = proxy;
  }
}

}  // namespace

TileSource ChosenTileSource(const TForm1& form) {
  TileSource source;
  source.Name = kBuiltInName;
  source.CacheName = source.Name + "@" + form.TileHost;
  source.MapsType = 3;
  source.TileUrl = [host = form.TileHost](int32_t x, int32_t y, int32_t zoom) {
    return BuiltInTileUrl(host, x, y, zoom);
  };
  source.Request = WorkerRequestProfile();
  source.Workers = TForm1::kWorkerSlots;
  source.Pause = std::chrono::milliseconds(kBuiltInPauseMs);
  source.MinZoom = TForm1::UpDown1Min;  // the service has no zoom below our 1
  source.MaxZoom = TForm1::UpDown1Max;
  UseConfiguredProxy(form.ConfigFilePath, source);
  return source;
}

}  // namespace kartovel
