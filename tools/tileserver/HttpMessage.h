// The HTTP/1.1 messages of the loopback server: a received request head and the reply
// the server sends back (raw bytes plus how the connection ends), with builders.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kartovel::loopback {

struct Request {
  std::string RequestLine;               // "GET /path HTTP/1.1", without CR LF
  std::vector<std::string> HeaderLines;  // in the order received, without CR LF
  int ConnectionId = 0;                  // 1 for the first connection the server accepted

  std::string Method() const;
  std::string Target() const;  // origin-form path and query, or absolute-form URI
  // The value of the first header of that name (compared without case), blanks trimmed.
  std::optional<std::string> Header(std::string_view name) const;
};

// What the server does in answer to one request: wait Delay, send Bytes as they are,
// send the pieces of Tail, wait Hold, then keep the connection for the next request,
// close it, or reset it.
struct Reply {
  enum class Ending { KeepOpen, Close, Reset };
  std::string Bytes;
  std::chrono::milliseconds Delay{0};
  std::chrono::milliseconds Hold{0};
  Ending End = Ending::KeepOpen;
  // Bytes made while sending, for answers too large or too slow to hold in advance: each
  // call gives the next piece, sent TailInterval after the one before; an empty piece
  // ends them. The send limit applies to each piece, not to the whole reply.
  std::function<std::string()> Tail{};
  std::chrono::milliseconds TailInterval{0};
};

std::string_view ReasonPhrase(int status);

// A complete response with Content-Length; extra header lines go after Content-Type.
std::string ResponseBytes(int status, std::string_view contentType, std::string_view body,
                          const std::vector<std::string>& extraHeaderLines = {});

// Parses a request head (everything before the empty line, line ends CR LF or LF).
// No value when the request line is not "METHOD TARGET HTTP/x.y".
std::optional<Request> ParseRequestHead(std::string_view head);

// Whether the client asked for the connection to be closed after this request.
bool WantsClose(const Request& request);

}  // namespace kartovel::loopback
