// The libcurl implementation of HttpClient: one easy handle reused for every request, so
// the connection is kept alive between tiles; redirects are not followed.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

#include "download/HttpClient.h"

namespace kartovel {

class CurlHttpClient final : public HttpClient {
 public:
  // Throws AppError when libcurl cannot give a handle.
  explicit CurlHttpClient(const HttpClientOptions& options);

  std::optional<HttpFailure> Get(const std::string& url, std::string& body) override;

 private:
  // What the header callback saw of the current response.
  struct ResponseHead {
    std::string StatusLine;  // the last "HTTP/" line, without its line end
    bool Complete = false;   // the empty line after that status line arrived
  };

  struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
  };
  struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  };

  static size_t OnHeader(char* data, size_t size, size_t count, void* self) noexcept;
  static size_t OnBody(char* data, size_t size, size_t count, void* self) noexcept;

  void Configure(const HttpClientOptions& options);
  void ConfigureProxy(const HttpClientOptions& options);
  std::optional<HttpFailure> Outcome(CURLcode result) const;

  std::unique_ptr<CURL, EasyDeleter> easy_;
  std::unique_ptr<curl_slist, HeaderListDeleter> headers_;
  ResponseHead head_;
  std::string* body_ = nullptr;  // the caller's buffer during Get
};

}  // namespace kartovel
