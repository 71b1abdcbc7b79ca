// Building responses and parsing request heads for the loopback server.
#include "tileserver/HttpMessage.h"

#include "common/Text.h"

namespace kartovel::loopback {
namespace {

std::vector<std::string_view> SplitLines(std::string_view head) {
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const auto end = head.find('\n');
    std::string_view line = head.substr(0, end);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    head = end == std::string_view::npos ? std::string_view{} : head.substr(end + 1);
  }
  return lines;
}

std::string_view Word(std::string_view line, int index) {
  for (int i = 0; i < index; ++i) {
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) {
      return {};
    }
    line.remove_prefix(blank + 1);
  }
  return line.substr(0, line.find(' '));
}

}  // namespace

std::string Request::Method() const {
  return std::string(Word(RequestLine, 0));
}

std::string Request::Target() const {
  return std::string(Word(RequestLine, 1));
}

std::optional<std::string> Request::Header(std::string_view name) const {
  for (const auto& line : HeaderLines) {
    const auto colon = line.find(':');
    if (colon != std::string::npos &&
        EqualsIgnoringCase(TrimBlanks(std::string_view(line).substr(0, colon)), name)) {
      return std::string(TrimBlanks(std::string_view(line).substr(colon + 1)));
    }
  }
  return std::nullopt;
}

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 407:
      return "Proxy Authentication Required";
    case 429:
      return "Too Many Requests";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return "Unknown";
  }
}

std::string ResponseBytes(int status, std::string_view contentType, std::string_view body,
                          const std::vector<std::string>& extraHeaderLines) {
  std::string bytes =
      "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status)) + "\r\n";
  bytes += "Content-Type: " + std::string(contentType) + "\r\n";
  for (const auto& line : extraHeaderLines) {
    bytes += line + "\r\n";
  }
  bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  bytes += body;
  return bytes;
}

std::optional<Request> ParseRequestHead(std::string_view head) {
  const auto lines = SplitLines(head);
  if (lines.empty()) {
    return std::nullopt;
  }
  Request request;
  request.RequestLine = std::string(lines.front());
  const auto version = Word(request.RequestLine, 2);
  if (request.Method().empty() || request.Target().empty() || !version.starts_with("HTTP/")) {
    return std::nullopt;
  }
  for (size_t i = 1; i < lines.size(); ++i) {
    if (!lines[i].empty()) {
      request.HeaderLines.emplace_back(lines[i]);
    }
  }
  return request;
}

bool WantsClose(const Request& request) {
  const auto connection = request.Header("Connection");
  if (connection) {
    return EqualsIgnoringCase(*connection, "close");
  }
  return Word(request.RequestLine, 2) == "HTTP/1.0";
}

}  // namespace kartovel::loopback
