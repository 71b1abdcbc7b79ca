// The HTTP client the download engine and the re-download use: a GET of an absolute URL
// into a byte buffer, failing with a message text that callers classify by substring.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "download/TileValidators.h"
#include "task/MapSource.h"

namespace kartovel {

// The largest response body a request takes in. A tile is some kilobytes; a server that
// sends more (or never ends) must not fill the memory.
inline constexpr std::size_t kMaxResponseBodyBytes = std::size_t{32} << 20;

struct HttpProxy {
  std::string Host;  // empty: no proxy, requests go directly
  int32_t Port = 0;
  std::string Username;
  std::string Password;  // sent as preemptive Basic credentials when Username is set
};

// A test's plan for making the client fail: the Nth call it makes into the HTTP library
// (counted from 1 over the client's life, set-up included) fails as if the library had
// refused it. The program never sets one.
struct HttpFaultPlan {
  int FailAtCall = 0;  // 0: no call fails
  int CallsMade = 0;
};

struct HttpClientOptions {
  std::vector<std::string> Headers;  // whole header lines, e.g. "Accept: text/html, */*"
  std::string UserAgent;
  std::optional<HttpProxy> Proxy;
  std::chrono::milliseconds ConnectTimeout{30000};
  std::chrono::milliseconds StallLimit{60000};     // no byte for this long: timed out
  std::chrono::milliseconds AttemptLimit{300000};  // one request, start to end: timed out
  // The caller's stop request: once it is made, a request in progress ends at once with
  // a Stopped failure. An empty token: the caller never stops.
  std::stop_token Stop;
  HttpFaultPlan* Faults = nullptr;  // not owned; null in the program
};

// The download workers' request profile.
HttpClientOptions WorkerRequestProfile();
// A map source's request profile: "Accept: image/*", its User-Agent, its Referer if any.
HttpClientOptions SourceRequestProfile(const MapSource& source);
// The re-download dialog's request profile (Referer, its own User-Agent, Keep_Alive).
HttpClientOptions RedownloadRequestProfile();

// An unsuccessful request. An empty Message is a failure that carries no text.
struct HttpFailure {
  HttpFailure() = default;
  explicit HttpFailure(std::string message, int status = 0)
      : Message(std::move(message)), Status(status) {}

  std::string Message;
  // The status code of an answer outside 2xx; 0 when the failure is not an answer. The
  // Message then holds the status line, whose reason phrase the server chose.
  int Status = 0;
  bool Stopped = false;  // the caller's stop request ended the request
  // How long a 429 or 503 answer asked the client to wait before asking again.
  std::optional<std::chrono::seconds> RetryAfter;
};

// One request: its URL and, when it asks whether a tile it holds is still current, the
// validators that tile was fetched with.
struct HttpRequest {
  std::string Url;
  std::optional<TileValidators> Revalidate;  // none: an ordinary GET
  // Whether the request carries a conditional header line (only then is a 304 an answer).
  bool Revalidates() const {
    return Revalidate && !ConditionalHeaderLines(*Revalidate).empty();
  }
};

// What came back of one request.
struct HttpAnswer {
  std::optional<HttpFailure> Failure;  // none: a 2xx, or a 304 to a revalidating request
  bool NotModified = false;  // the 304 of a revalidating request: the body is empty
  ValidatorHeaders Headers;  // of the answer (a 304's too); empty after a failure
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Sends request into body, as Get does, with its conditional header lines. A 304 is its
  // own answer only to a request that Revalidates(); to any other it is a failure like
  // every status outside 2xx. This default sends an ordinary Get and hears no headers
  // (a client that cannot revalidate asks for the whole tile).
  virtual HttpAnswer Send(const HttpRequest& request, std::string& body) {
    return HttpAnswer{Get(request.Url, body), false, {}};
  }
  // Empties body, then GETs url into it. No value on success (2xx), else the failure:
  // the status line ("HTTP/1.1 404 Not Found"), "Socket Error # N\r\ntext",
  // "Connection Closed Gracefully." or another text of the client's own. A body past
  // kMaxResponseBodyBytes is a failure, and the buffer is then left empty.
  virtual std::optional<HttpFailure> Get(const std::string& url, std::string& body) = 0;
};

using HttpClientFactory = std::function<std::unique_ptr<HttpClient>(const HttpClientOptions&)>;

// One libcurl easy handle per client, reused for keep-alive; redirects not followed.
std::unique_ptr<HttpClient> CreateCurlHttpClient(const HttpClientOptions& options);

}  // namespace kartovel
