// The request profiles: what the download workers (of map type 3 or of a source) and the
// re-download send.
#include "download/HttpClient.h"

namespace kartovel {
namespace {

constexpr const char* kAcceptLine = "Accept: text/html, */*";
// The home page of a public web map service, sent as the re-download's Referer.
constexpr const char* kRedownloadReferer = "https://www.openstreetmap.org/";

}  // namespace

HttpClientOptions WorkerRequestProfile() {
  HttpClientOptions options;
  options.Headers = {kAcceptLine};
  options.UserAgent = "Mozilla/3.0 (compatible; Indy Library)";
  return options;
}

HttpClientOptions SourceRequestProfile(const MapSource& source) {
  HttpClientOptions options;
  options.Headers = {"Accept: image/*"};
  if (!source.Referer.empty()) {
    options.Headers.push_back("Referer: " + source.Referer);
  }
  options.UserAgent = source.UserAgent;
  return options;
}

HttpClientOptions RedownloadRequestProfile() {
  HttpClientOptions options;
  options.Headers = {std::string("Referer: ") + kRedownloadReferer, "Connection: Keep_Alive",
                     kAcceptLine};
  options.UserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
  return options;
}

}  // namespace kartovel
