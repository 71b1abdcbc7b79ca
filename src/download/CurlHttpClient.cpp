// Request set-up, response capture and failure classification of the libcurl client.
#include "download/CurlHttpClient.h"

#include <ctime>
#include <string_view>

#include "common/Error.h"
#include "common/Text.h"
#include "download/CurlFailureText.h"
#include "download/CurlGlobal.h"
#include "download/ProxyAuthorization.h"
#include "download/RetryAfter.h"

namespace kartovel {
namespace {

// A head of more than this is no tile service's answer. It is below the 300 KB at which
// libcurl gives up on a head with a bare receive failure, so that the client's own,
// clearer text is the one given.
constexpr std::size_t kMaxHeadBytes = 256 * 1024;

// A body that outgrows this takes a buffer of the cap at once. Doubling would copy it
// again and again and leave the freed blocks behind; the large buffer costs memory only
// where bytes are written into it.
constexpr std::size_t kGrowByDoublingBytes = 1024 * 1024;

// How often a transfer in progress looks at the stop request when nothing arrives.
constexpr int kStopCheckMilliseconds = 100;

constexpr int kStatusTooManyRequests = 429;
constexpr int kStatusServiceUnavailable = 503;
constexpr int kStatusNotModified = 304;

std::string_view WithoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  return line;
}

// The value of a header line of that name (compared without case), or nothing.
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name) {
  const auto colon = line.find(':');
  if (colon == std::string_view::npos || !EqualsIgnoringCase(line.substr(0, colon), name)) {
    return std::nullopt;
  }
  return TrimBlanks(line.substr(colon + 1));
}

// The low-speed check works in whole seconds.
long StallSeconds(std::chrono::milliseconds limit) {
  const auto seconds = std::chrono::ceil<std::chrono::seconds>(limit).count();
  return seconds < 1 ? 1L : static_cast<long>(seconds);
}

// Keeps the value of a header line that tells the tile's version or freshness. A second
// Cache-Control line adds its directives to the first.
void NoteValidator(ValidatorHeaders& validators, std::string_view line) {
  if (const auto value = HeaderValue(line, "ETag")) {
    validators.ETag = std::string(*value);
  } else if (const auto value = HeaderValue(line, "Last-Modified")) {
    validators.LastModified = std::string(*value);
  } else if (const auto value = HeaderValue(line, "Expires")) {
    validators.Expires = std::string(*value);
  } else if (const auto value = HeaderValue(line, "Cache-Control")) {
    validators.CacheControl =
        validators.CacheControl ? *validators.CacheControl + ", " + std::string(*value)
                                : std::string(*value);
  }
}

HttpFailure FailureWithText(std::string_view text) {
  return HttpFailure{std::string(text)};
}

}  // namespace

CurlHttpClient::CurlHttpClient(const HttpClientOptions& options)
    : stop_(options.Stop), faults_(options.Faults) {
  EnsureCurlInitialised();
  if (!FaultDue()) {
    easy_.reset(curl_easy_init());
  }
  if (!FaultDue()) {
    multi_.reset(curl_multi_init());
  }
  if (!easy_ || !multi_) {
    throw AppError("The HTTP library cannot create a connection handle");
  }
  Configure(options);
  wakeOnStop_.emplace(stop_, WakeTransfer{multi_.get()});
}

bool CurlHttpClient::FaultDue() {
  return faults_ != nullptr && ++faults_->CallsMade == faults_->FailAtCall;
}

template <typename Value>
void CurlHttpClient::Set(CURLoption option, Value value) {
  if (FaultDue() || curl_easy_setopt(easy_.get(), option, value) != CURLE_OK) {
    throw AppError("The HTTP library refused a setting of the connection");
  }
}

void CurlHttpClient::Append(HeaderList& list, const std::string& line) {
  curl_slist* extended = FaultDue() ? nullptr : curl_slist_append(list.get(), line.c_str());
  if (extended == nullptr) {
    throw AppError("Out of memory");
  }
  static_cast<void>(list.release());  // now owned as the start of the extended list
  list.reset(extended);
}

void CurlHttpClient::Configure(const HttpClientOptions& options) {
  Set(CURLOPT_NOSIGNAL, 1L);
  Set(CURLOPT_FOLLOWLOCATION, 0L);
#if LIBCURL_VERSION_NUM >= 0x075500
  Set(CURLOPT_PROTOCOLS_STR, "http,https");
#else
  Set(CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  // An address without a scheme is taken as http, never guessed from its host name.
  Set(CURLOPT_DEFAULT_PROTOCOL, "http");
  Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  ConfigureLimits(options);
  if (!options.UserAgent.empty()) {
    Set(CURLOPT_USERAGENT, options.UserAgent.c_str());
  }
  ConfigureHeaders(options);
  ConfigureProxy(options);
  ConfigureCallbacks();
}

void CurlHttpClient::ConfigureLimits(const HttpClientOptions& options) {
  Set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.ConnectTimeout.count()));
  Set(CURLOPT_TIMEOUT_MS, static_cast<long>(options.AttemptLimit.count()));
  // A transfer slower than 1 byte/s over the limit is a dead server, not a slow one.
  Set(CURLOPT_LOW_SPEED_LIMIT, 1L);
  Set(CURLOPT_LOW_SPEED_TIME, StallSeconds(options.StallLimit));
  // An announced length past the limit is refused before any of the body is read.
  Set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxResponseBodyBytes));
}

void CurlHttpClient::ConfigureHeaders(const HttpClientOptions& options) {
  profileHeaderLines_ = options.Headers;
  for (const auto& line : options.Headers) {
    Append(serverHeaders_, line);
  }
  Set(CURLOPT_HTTPHEADER, serverHeaders_.get());
  if (!options.Proxy || options.Proxy->Host.empty()) {
    return;
  }
  // The proxy's own lines go to the proxy only: a header with nothing after the colon
  // removes the one libcurl would add, and the credentials are sent unasked, every time.
  Append(proxyHeaders_, "Proxy-Connection:");
  if (!options.Proxy->Username.empty()) {
    Append(proxyHeaders_, ProxyAuthorizationLine(options.Proxy->Username, options.Proxy->Password));
  }
  Set(CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  Set(CURLOPT_PROXYHEADER, proxyHeaders_.get());
}

void CurlHttpClient::ConfigureProxy(const HttpClientOptions& options) {
  // Explicit values, so that http_proxy / no_proxy in the environment play no part.
  Set(CURLOPT_NOPROXY, "");
  if (!options.Proxy || options.Proxy->Host.empty()) {
    Set(CURLOPT_PROXY, "");
    return;
  }
  const HttpProxy& proxy = *options.Proxy;
  Set(CURLOPT_PROXY, proxy.Host.c_str());
  Set(CURLOPT_PROXYPORT, static_cast<long>(proxy.Port));
  Set(CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
}

void CurlHttpClient::ConfigureCallbacks() {
  Set(CURLOPT_HEADERFUNCTION, &CurlHttpClient::OnHeader);
  Set(CURLOPT_HEADERDATA, this);
  Set(CURLOPT_WRITEFUNCTION, &CurlHttpClient::OnBody);
  Set(CURLOPT_WRITEDATA, this);
  // Ends a transfer at once while data flows; while nothing arrives, the transfer loop
  // itself is woken by the stop request (and looks at it every kStopCheckMilliseconds).
  Set(CURLOPT_XFERINFOFUNCTION, &CurlHttpClient::OnProgress);
  Set(CURLOPT_XFERINFODATA, this);
  Set(CURLOPT_NOPROGRESS, 0L);
}

std::optional<HttpFailure> CurlHttpClient::Get(const std::string& url, std::string& body) {
  return Send(HttpRequest{url, std::nullopt}, body).Failure;
}

HttpAnswer CurlHttpClient::Send(const HttpRequest& request, std::string& body) {
  body.clear();
  transfer_ = Transfer{};
  transfer_.Body = &body;
  const std::vector<std::string> conditional =
      request.Revalidate ? ConditionalHeaderLines(*request.Revalidate) : std::vector<std::string>{};
  transfer_.Revalidating = !conditional.empty();
  HttpAnswer answer;
  try {
    UseHeaders(conditional);
    Set(CURLOPT_URL, request.Url.c_str());
    answer.Failure = Outcome(Perform());
  } catch (const AppError& error) {
    answer.Failure = FailureWithText(error.what());
  }
  transfer_.Body = nullptr;
  if (transfer_.BodyTooLarge) {
    std::string().swap(body);  // none of it is kept, and its memory goes back at once
  }
  if (!answer.Failure) {
    answer.NotModified = transfer_.NotModified;
    answer.Headers = std::move(transfer_.Validators);
  }
  return answer;
}

void CurlHttpClient::UseHeaders(const std::vector<std::string>& conditionalLines) {
  // An ordinary request after another ordinary one changes nothing, so a client that
  // never revalidates makes the same calls into libcurl as before.
  if (conditionalLines.empty() && !conditionalHeaders_) {
    return;
  }
  conditionalHeaders_.reset();
  if (conditionalLines.empty()) {
    Set(CURLOPT_HTTPHEADER, serverHeaders_.get());
    return;
  }
  HeaderList lines;
  for (const auto& line : profileHeaderLines_) {
    Append(lines, line);
  }
  for (const auto& line : conditionalLines) {
    Append(lines, line);
  }
  conditionalHeaders_ = std::move(lines);
  Set(CURLOPT_HTTPHEADER, conditionalHeaders_.get());
}

bool CurlHttpClient::StopRequested() const {
  return stop_.stop_requested();
}

CURLcode CurlHttpClient::Perform() {
  if (FaultDue() || curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
    return CURLE_OUT_OF_MEMORY;
  }
  const CURLcode result = RunTransfer();
  // Also ends a transfer cut short; the kept connections stay with the multi handle.
  curl_multi_remove_handle(multi_.get(), easy_.get());
  return result;
}

CURLcode CurlHttpClient::RunTransfer() {
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
      return CURLE_OUT_OF_MEMORY;
    }
    if (running == 0) {
      int queued = 0;
      const CURLMsg* message = curl_multi_info_read(multi_.get(), &queued);
      return message != nullptr && message->msg == CURLMSG_DONE ? message->data.result
                                                                : CURLE_OUT_OF_MEMORY;
    }
    if (StopRequested()) {
      return CURLE_ABORTED_BY_CALLBACK;
    }
    if (curl_multi_poll(multi_.get(), nullptr, 0, kStopCheckMilliseconds, nullptr) != CURLM_OK) {
      return CURLE_OUT_OF_MEMORY;
    }
  }
}

std::optional<HttpFailure> CurlHttpClient::Outcome(CURLcode result) {
  if (result == CURLE_ABORTED_BY_CALLBACK && StopRequested()) {
    HttpFailure stopped = FailureWithText(kRequestStopped);
    stopped.Stopped = true;
    return stopped;
  }
  if (transfer_.BodyTooLarge) {
    return FailureWithText(kAnswerTooLarge);
  }
  if (transfer_.HeadTooLarge) {
    return FailureWithText(kHeaderTooLarge);
  }
  if (result != CURLE_OK) {
    CurlTransferEnd end{result, 0, transfer_.StatusLine, Connected(), transfer_.HeadComplete};
    if (FaultDue() || curl_easy_getinfo(easy_.get(), CURLINFO_OS_ERRNO, &end.OsErrno) != CURLE_OK) {
      end.OsErrno = 0;
    }
    return FailureWithText(CurlFailureText(end));
  }
  if (!transfer_.HeadComplete) {
    // The server closed after the status line, before the end of the headers.
    return FailureWithText(kClosedGracefully);
  }
  return StatusOutcome();
}

std::optional<HttpFailure> CurlHttpClient::StatusOutcome() {
  long status = 0;
  const CURLcode read = FaultDue()
                            ? CURLE_BAD_FUNCTION_ARGUMENT
                            : curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
  if (read != CURLE_OK) {
    return FailureWithText(curl_easy_strerror(read));
  }
  if (status >= 200 && status < 300) {
    return std::nullopt;
  }
  if (status == kStatusNotModified && transfer_.Revalidating) {
    transfer_.NotModified = true;
    return std::nullopt;
  }
  HttpFailure failure{
      transfer_.StatusLine.empty() ? "HTTP/1.1 " + std::to_string(status) : transfer_.StatusLine,
      static_cast<int>(status)};
  if ((status == kStatusTooManyRequests || status == kStatusServiceUnavailable) &&
      transfer_.RetryAfter) {
    failure.RetryAfter = ParseRetryAfter(*transfer_.RetryAfter, std::time(nullptr));
  }
  return failure;
}

bool CurlHttpClient::Connected() {
  char* address = nullptr;
  if (FaultDue() || curl_easy_getinfo(easy_.get(), CURLINFO_PRIMARY_IP, &address) != CURLE_OK) {
    return false;
  }
  return address != nullptr && *address != '\0';
}

// The callbacks run inside libcurl's C code: nothing may throw out of them. Returning a
// count other than the one given aborts the transfer.
size_t CurlHttpClient::OnHeader(char* data, size_t size, size_t count, void* self) noexcept {
  auto& transfer = static_cast<CurlHttpClient*>(self)->transfer_;
  const size_t length = size * count;
  transfer.HeadBytes += length;
  if (transfer.HeadBytes > kMaxHeadBytes) {
    transfer.HeadTooLarge = true;
    return 0;
  }
  const std::string_view line = WithoutLineEnd(std::string_view(data, length));
  try {
    if (line.starts_with("HTTP/")) {
      // A new answer begins (after an interim 1xx): forget what the last one said.
      transfer.StatusLine = std::string(line);
      transfer.HeadComplete = false;
      transfer.RetryAfter.reset();
      transfer.Validators = ValidatorHeaders{};
    } else if (line.empty()) {
      transfer.HeadComplete = true;
    } else if (const auto value = HeaderValue(line, "Retry-After")) {
      transfer.RetryAfter = std::string(*value);
    } else {
      NoteValidator(transfer.Validators, line);
    }
  } catch (...) {
    return 0;
  }
  return length;
}

size_t CurlHttpClient::OnBody(char* data, size_t size, size_t count, void* self) noexcept {
  auto& transfer = static_cast<CurlHttpClient*>(self)->transfer_;
  const size_t length = size * count;
  if (length > kMaxResponseBodyBytes - transfer.Body->size()) {
    transfer.BodyTooLarge = true;
    return 0;
  }
  try {
    std::string& body = *transfer.Body;
    if (length > body.capacity() - body.size() && body.size() + length > kGrowByDoublingBytes) {
      body.reserve(kMaxResponseBodyBytes);
    }
    body.append(data, length);
  } catch (...) {
    return 0;
  }
  return length;
}

int CurlHttpClient::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t,
                               curl_off_t) noexcept {
  return static_cast<CurlHttpClient*>(self)->StopRequested() ? 1 : 0;
}

std::unique_ptr<HttpClient> CreateCurlHttpClient(const HttpClientOptions& options) {
  return std::make_unique<CurlHttpClient>(options);
}

}  // namespace kartovel
