// Request set-up, response capture and failure classification of the libcurl client.
#include "download/CurlHttpClient.h"

#include <string_view>

#include "common/Error.h"
#include "download/CurlFailureText.h"
#include "download/CurlGlobal.h"

namespace kartovel {
namespace {

curl_slist* AppendHeader(curl_slist* list, const char* line) {
  curl_slist* extended = curl_slist_append(list, line);
  if (extended == nullptr) {
    curl_slist_free_all(list);
    throw AppError("Out of memory");
  }
  return extended;
}

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

// The low-speed check works in whole seconds.
long StallSeconds(std::chrono::milliseconds limit) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(limit).count();
  return seconds < 1 ? 1L : static_cast<long>(seconds);
}

}  // namespace

CurlHttpClient::CurlHttpClient(const HttpClientOptions& options) {
  EnsureCurlInitialised();
  easy_.reset(curl_easy_init());
  if (!easy_) {
    throw AppError("The HTTP library cannot create a connection handle");
  }
  Configure(options);
}

void CurlHttpClient::Configure(const HttpClientOptions& options) {
  CURL* easy = easy_.get();
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(options.ConnectTimeout.count()));
  // A transfer slower than 1 byte/s over the limit is a dead server, not a slow one.
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, StallSeconds(options.StallLimit));
  if (!options.UserAgent.empty()) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options.UserAgent.c_str());
  }
  curl_slist* headers = nullptr;
  for (const auto& line : options.Headers) {
    headers = AppendHeader(headers, line.c_str());
  }
  if (options.Proxy && !options.Proxy->Host.empty()) {
    // A header with nothing after the colon removes the one libcurl would add.
    headers = AppendHeader(headers, "Proxy-Connection:");
  }
  headers_.reset(headers);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get());
  ConfigureProxy(options);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlHttpClient::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlHttpClient::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
}

void CurlHttpClient::ConfigureProxy(const HttpClientOptions& options) {
  CURL* easy = easy_.get();
  // Explicit values, so that http_proxy / no_proxy in the environment play no part.
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
  if (!options.Proxy || options.Proxy->Host.empty()) {
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    return;
  }
  const HttpProxy& proxy = *options.Proxy;
  curl_easy_setopt(easy, CURLOPT_PROXY, proxy.Host.c_str());
  curl_easy_setopt(easy, CURLOPT_PROXYPORT, static_cast<long>(proxy.Port));
  curl_easy_setopt(easy, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
  if (!proxy.Username.empty()) {
    // Basic alone makes libcurl send the credentials unasked, on every request.
    curl_easy_setopt(easy, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.Username.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy.Password.c_str());
  }
}

std::optional<HttpFailure> CurlHttpClient::Get(const std::string& url, std::string& body) {
  body.clear();
  head_ = ResponseHead{};
  body_ = &body;
  curl_easy_setopt(easy_.get(), CURLOPT_URL, url.c_str());
  const CURLcode result = curl_easy_perform(easy_.get());
  body_ = nullptr;
  return Outcome(result);
}

std::optional<HttpFailure> CurlHttpClient::Outcome(CURLcode result) const {
  if (result != CURLE_OK) {
    // Read only now: after a silent retry of a dead kept connection these still hold
    // the old failure even though the request succeeded.
    long osErrno = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_OS_ERRNO, &osErrno);
    return HttpFailure{CurlFailureText(result, osErrno, head_.StatusLine)};
  }
  if (!head_.Complete) {
    // The server closed after the status line, before the end of the headers.
    return HttpFailure{std::string(kClosedGracefully)};
  }
  long status = 0;
  curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  if (status >= 200 && status < 300) {
    return std::nullopt;
  }
  if (head_.StatusLine.empty()) {
    return HttpFailure{"HTTP/1.1 " + std::to_string(status)};
  }
  return HttpFailure{head_.StatusLine};
}

// The callbacks run inside libcurl's C code: nothing may throw out of them. Returning a
// count other than the one given aborts the transfer.
size_t CurlHttpClient::OnHeader(char* data, size_t size, size_t count, void* self) noexcept {
  auto& head = static_cast<CurlHttpClient*>(self)->head_;
  const size_t length = size * count;
  const std::string_view line = WithoutLineEnd(std::string_view(data, length));
  try {
    if (line.starts_with("HTTP/")) {
      head.StatusLine = std::string(line);
      head.Complete = false;
    } else if (line.empty()) {
      head.Complete = true;
    }
  } catch (...) {
    return 0;
  }
  return length;
}

size_t CurlHttpClient::OnBody(char* data, size_t size, size_t count, void* self) noexcept {
  auto* body = static_cast<CurlHttpClient*>(self)->body_;
  const size_t length = size * count;
  try {
    body->append(data, length);
  } catch (...) {
    return 0;
  }
  return length;
}

std::unique_ptr<HttpClient> CreateCurlHttpClient(const HttpClientOptions& options) {
  return std::make_unique<CurlHttpClient>(options);
}

}  // namespace kartovel
