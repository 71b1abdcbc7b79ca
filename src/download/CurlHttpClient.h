// The libcurl implementation of HttpClient: one easy handle reused for every request,
// run through a multi handle of its own that keeps the connection alive between tiles
// and lets a stop request end a transfer within a fraction of a second; redirects are not
// followed. Every failure text is worked out from the request it belongs to alone.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "download/HttpClient.h"

namespace kartovel {

class CurlHttpClient final : public HttpClient {
 public:
  // Throws AppError when libcurl cannot give a handle or refuses a setting.
  explicit CurlHttpClient(const HttpClientOptions& options);

  std::optional<HttpFailure> Get(const std::string& url, std::string& body) override;
  HttpAnswer Send(const HttpRequest& request, std::string& body) override;

 private:
  // What the callbacks saw of the current request.
  struct Transfer {
    std::string StatusLine;  // the last "HTTP/" line, without its line end
    bool HeadComplete = false;
    std::size_t HeadBytes = 0;
    bool HeadTooLarge = false;
    bool BodyTooLarge = false;
    std::optional<std::string> RetryAfter;  // the value of the answer's Retry-After
    ValidatorHeaders Validators;            // what the answer said of the tile's version
    bool Revalidating = false;              // the request carried conditional lines
    bool NotModified = false;               // its answer was a 304
    std::string* Body = nullptr;            // the caller's buffer
  };

  struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
  };
  struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
  };
  struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  };
  using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

  static size_t OnHeader(char* data, size_t size, size_t count, void* self) noexcept;
  static size_t OnBody(char* data, size_t size, size_t count, void* self) noexcept;
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept;

  void Configure(const HttpClientOptions& options);
  void ConfigureLimits(const HttpClientOptions& options);
  void ConfigureHeaders(const HttpClientOptions& options);
  void ConfigureProxy(const HttpClientOptions& options);
  void ConfigureCallbacks();
  template <typename Value>
  void Set(CURLoption option, Value value);
  void Append(HeaderList& list, const std::string& line);
  // The header lines of the next request: the profile's, with a request's conditional
  // lines after them when it has any.
  void UseHeaders(const std::vector<std::string>& conditionalLines);

  // Each call into libcurl passes here first, so that a test's plan can fail it.
  bool FaultDue();
  CURLcode Perform();
  CURLcode RunTransfer();
  bool StopRequested() const;
  std::optional<HttpFailure> Outcome(CURLcode result);
  std::optional<HttpFailure> StatusOutcome();
  bool Connected();

  std::unique_ptr<CURL, EasyDeleter> easy_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;  // destroyed first, with no easy handle in it
  HeaderList serverHeaders_;
  std::vector<std::string> profileHeaderLines_;
  HeaderList conditionalHeaders_;  // in use while non-empty
  HeaderList proxyHeaders_;
  std::stop_token stop_;
  HttpFaultPlan* faults_ = nullptr;
  Transfer transfer_;
  // Wakes the transfer loop's wait when the stop is requested; destroyed before the
  // multi handle it wakes, so it never runs on a handle that is gone.
  struct WakeTransfer {
    CURLM* Multi;
    void operator()() const noexcept { curl_multi_wakeup(Multi); }
  };
  std::optional<std::stop_callback<WakeTransfer>> wakeOnStop_;
};

}  // namespace kartovel
