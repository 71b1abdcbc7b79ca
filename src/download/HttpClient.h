// The HTTP client the download engine and the re-download use: a GET of an absolute URL
// into a byte buffer, failing with a message text that callers classify by substring.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "task/MapSource.h"

namespace kartovel {

struct HttpProxy {
  std::string Host;  // empty: no proxy, requests go directly
  int32_t Port = 0;
  std::string Username;
  std::string Password;  // sent as preemptive Basic credentials when Username is set
};

struct HttpClientOptions {
  std::vector<std::string> Headers;  // whole header lines, e.g. "Accept: text/html, */*"
  std::string UserAgent;
  std::optional<HttpProxy> Proxy;
  std::chrono::milliseconds ConnectTimeout{30000};
  std::chrono::milliseconds StallLimit{60000};  // no byte for this long: timed out
};

// The download workers' request profile.
HttpClientOptions WorkerRequestProfile();
// A map source's request profile: "Accept: image/*", its User-Agent, its Referer if any.
HttpClientOptions SourceRequestProfile(const MapSource& source);
// The re-download dialog's request profile (Referer, its own User-Agent, Keep_Alive).
HttpClientOptions RedownloadRequestProfile();

// An unsuccessful request. An empty Message is a failure that carries no text.
struct HttpFailure {
  std::string Message;
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Empties body, then GETs url into it. No value on success (2xx), else the failure:
  // the status line ("HTTP/1.1 404 Not Found"), "Socket Error # N\r\ntext", or
  // "Connection Closed Gracefully.".
  virtual std::optional<HttpFailure> Get(const std::string& url, std::string& body) = 0;
};

using HttpClientFactory = std::function<std::unique_ptr<HttpClient>(const HttpClientOptions&)>;

// One libcurl easy handle per client, reused for keep-alive; redirects not followed.
std::unique_ptr<HttpClient> CreateCurlHttpClient(const HttpClientOptions& options);

}  // namespace kartovel
