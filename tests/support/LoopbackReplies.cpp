// The reply builders of the loopback test servers.
#include "support/LoopbackReplies.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace kartovel::testing {
namespace {

std::string OkHead(std::size_t contentLength) {
  return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\n\r\n";
}

constexpr uint64_t kStreamPiece = 64 * 1024;

std::string BigEndian32(uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
  }
  return bytes;
}

std::string StreamedHead(uint64_t bodyBytes, BodyFraming framing) {
  switch (framing) {
    case BodyFraming::ContentLength:
      return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
             std::to_string(bodyBytes) + "\r\n\r\n";
    case BodyFraming::Chunked:
      return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nTransfer-Encoding: chunked\r\n\r\n";
    case BodyFraming::UntilClose:
      return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n";
  }
  return {};
}

std::string ChunkSizeLine(uint64_t size) {
  char text[32];
  std::snprintf(text, sizeof text, "%llx\r\n", static_cast<unsigned long long>(size));
  return text;
}

Reply Ending(std::string bytes, Reply::Ending end) {
  Reply reply;
  reply.Bytes = std::move(bytes);
  reply.End = end;
  return reply;
}

}  // namespace

const std::string& SmallPng() {
  // One red pixel.
  static constexpr unsigned char kBytes[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
      0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
      0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x78,
      0xDA, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xF7, 0x03, 0x41,
      0x43, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  static const std::string png(reinterpret_cast<const char*>(kBytes), sizeof kBytes);
  return png;
}

std::string PngStart(uint32_t width, uint32_t height) {
  const std::string signature("\x89PNG\r\n\x1a\n", 8);
  const std::string header =
      BigEndian32(width) + BigEndian32(height) + std::string("\x08\x02\0\0\0", 5);
  return signature + BigEndian32(13) + "IHDR" + header + BigEndian32(0);
}

Reply StatusReply(int status, std::string body) {
  std::vector<std::string> extra;
  if (status == 302) {
    extra.push_back("Location: http://127.0.0.1/moved");
  }
  return Ending(loopback::ResponseBytes(status, "text/html", body, extra), Reply::Ending::KeepOpen);
}

Reply PngReply(std::string png) {
  return Ending(loopback::ResponseBytes(200, "image/png", png), Reply::Ending::KeepOpen);
}

Reply ResetReply() {
  return Ending("", Reply::Ending::Reset);
}

Reply CloseReply() {
  return Ending("", Reply::Ending::Close);
}

Reply ShortBodyReply(std::string sent, std::size_t declaredLength) {
  return Ending(OkHead(declaredLength) + sent, Reply::Ending::Close);
}

Reply ResetMidBodyReply(std::string sent, std::size_t declaredLength) {
  return Ending(OkHead(declaredLength) + sent, Reply::Ending::Reset);
}

Reply StatusLineOnlyReply(int status) {
  return Ending("HTTP/1.1 " + std::to_string(status) + " " +
                    std::string(loopback::ReasonPhrase(status)) + "\r\n",
                Reply::Ending::Close);
}

Reply StallReply(std::chrono::milliseconds span) {
  Reply reply = CloseReply();
  reply.Hold = span;
  return reply;
}

Reply DelayedReply(Reply reply, std::chrono::milliseconds delay) {
  reply.Delay = delay;
  return reply;
}

Reply StreamedBodyReply(uint64_t bodyBytes, BodyFraming framing,
                        std::shared_ptr<std::atomic<uint64_t>> sentBytes) {
  Reply reply = Ending(StreamedHead(bodyBytes, framing), Reply::Ending::Close);
  auto left = std::make_shared<uint64_t>(bodyBytes);
  auto ended = std::make_shared<bool>(false);
  reply.Tail = [left, ended, framing, sentBytes]() -> std::string {
    if (*ended) {
      return {};
    }
    const uint64_t size = std::min(*left, kStreamPiece);
    *left -= size;
    if (sentBytes) {
      *sentBytes += size;
    }
    std::string piece(static_cast<std::size_t>(size), 'x');
    if (framing != BodyFraming::Chunked) {
      *ended = *left == 0;
      return piece;
    }
    if (size == 0) {
      *ended = true;
      return "0\r\n\r\n";
    }
    return ChunkSizeLine(size) + piece + "\r\n";
  };
  return reply;
}

Reply TrickleReply(std::chrono::milliseconds interval) {
  Reply reply = Ending(StreamedHead(1024 * 1024, BodyFraming::ContentLength), Reply::Ending::Close);
  reply.Tail = [] { return std::string("ab"); };
  reply.TailInterval = interval;
  return reply;
}

}  // namespace kartovel::testing
