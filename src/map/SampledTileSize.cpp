// Tiles fetched for an estimate's size.
#include "map/SampledTileSize.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

#include "task/TileContent.h"

namespace kartovel {
namespace {

// An estimate waits briefly: without an answer it says "size unknown".
constexpr std::chrono::milliseconds kConnectTimeout{5000};
constexpr std::chrono::milliseconds kAttemptLimit{10000};

bool IsTileImage(std::string_view body) {
  return IsPngImage(body) || IsJpegImage(body) || IsWebpImage(body);
}

struct ProbeState {
  TileSource Source;
  HttpClientFactory MakeClient;
  std::shared_ptr<TileDiskCache> Cache;
  std::unique_ptr<HttpClient> Client;

  std::optional<uint64_t> SizeOf(int32_t x, int32_t y, int32_t zoom) {
    const std::string key = TileDiskCache::TileKey(
        Source.CacheName.empty() ? Source.Name : Source.CacheName, zoom, x, y);
    if (Cache) {
      if (const std::optional<std::string> cached = Cache->Read(key)) {
        return cached->size();
      }
    }
    if (!Source.FetchRefusal.empty() || !Source.TileUrl) {
      return std::nullopt;
    }
    if (!Client) {
      HttpClientOptions options = Source.Request;
      options.ConnectTimeout = std::min(options.ConnectTimeout, kConnectTimeout);
      options.StallLimit = std::min(options.StallLimit, kAttemptLimit);
      options.AttemptLimit = std::min(options.AttemptLimit, kAttemptLimit);
      Client = MakeClient(options);
    }
    std::string body;
    if (Client->Get(Source.TileUrl(x, y, zoom), body) || !IsTileImage(body)) {
      return std::nullopt;
    }
    if (Cache) {
      Cache->Write(key, body);
    }
    return body.size();
  }
};

}  // namespace

TileSizeProbe SampledTileSize(TileSource source, HttpClientFactory makeClient,
                              std::shared_ptr<TileDiskCache> cache) {
  auto state = std::make_shared<ProbeState>(
      ProbeState{std::move(source), std::move(makeClient), std::move(cache), nullptr});
  return [state](int32_t x, int32_t y, int32_t zoom) -> std::optional<uint64_t> {
    try {
      return state->SizeOf(x, y, zoom);
    } catch (const std::exception&) {
      state->Client.reset();  // a client that could not be made is tried again
      return std::nullopt;
    }
  };
}

}  // namespace kartovel
