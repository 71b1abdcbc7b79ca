// The chosen map source for a map window, with the configured proxy.
#include "app/ChosenTileSource.h"

#include <algorithm>
#include <cstdio>

#include "engine/ConfigFile.h"
#include "engine/TileHost.h"
#include "common/IniFile.h"
#include "common/IntegerText.h"
#include "task/MapSource.h"
#include "task/Unitclasstask.h"

namespace kartovel {
namespace {

// A short fingerprint of where a source's tiles come from, so that two services never
// share a part of the tile cache even when their names agree.
std::string Fingerprint(const std::string& origin) {
  uint64_t hash = 14695981039346656037ull;  // 64-bit FNV-1a
  for (const char character : origin) {
    hash = (hash ^ static_cast<unsigned char>(character)) * 1099511628211ull;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return digits;
}

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
    source.FetchRefusal = "The proxy is on but names no server.";
  } else if (!port || *port < 1 || *port > 65535) {
    source.FetchRefusal = "The proxy port \"" + portText + "\" is not a port number.";
  } else {
    proxy.Port = *port;
    source.Request.Proxy = proxy;
  }
}

// Map type 3 on the configured tile service, with the workers' own profile.
void AddressBuiltIn(const std::string& tileHost, const std::string& configFilePath,
                    TileSource& source) {
  source.CacheName = source.Name + "-" + Fingerprint(tileHost);
  source.TileUrl = [host = tileHost](int32_t x, int32_t y, int32_t zoom) {
    return BuiltInTileUrl(host, x, y, zoom);
  };
  source.Request = WorkerRequestProfile();
  // The service has no zoom below our 1; the main window offers up to 19.
  source.MinZoom = TForm1::UpDown1Min;
  source.MaxZoom = TForm1::UpDown1Max;
  if (!IsTileHost(tileHost)) {
    source.FetchRefusal = TileHostFault(tileHost, configFilePath);
  }
}

void AddressSource(const MapSource& chosen, TileSource& source) {
  source.CacheName = source.Name + "-" + Fingerprint(chosen.Url + "|" + chosen.Subdomains);
  source.TileUrl = [chosen](int32_t x, int32_t y, int32_t zoom) {
    return ExpandTileUrl(chosen.Url, chosen.Subdomains, x, y, zoom);
  };
  source.Request = SourceRequestProfile(chosen);
  source.MinZoom = chosen.MinZoom;
  source.MaxZoom = chosen.MaxZoom;
}

}  // namespace

TileSource ChosenTileSource(const TForm1& form) {
  return TileSourceFor(form.ChosenMapSource(), form.TileHost, form.ConfigFilePath);
}

TileSource TileSourceFor(const MapSource& chosen, const std::string& tileHost,
                         const std::string& configFilePath) {
  TileSource source;
  source.Name = chosen.Name;
  source.MapsType = chosen.MapsType;
  // As Start gives a run its workers, and as they pause.
  source.Workers = IsBuiltIn(chosen) ? TForm1::kWorkerSlots : chosen.Workers;
  source.Pause = std::chrono::milliseconds(chosen.PauseMs);
  if (IsBuiltIn(chosen)) {
    AddressBuiltIn(tileHost, configFilePath, source);
  } else {
    AddressSource(chosen, source);
  }
  UseConfiguredProxy(configFilePath, source);
  return source;
}

}  // namespace kartovel
