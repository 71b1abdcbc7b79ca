// The reply builders of the loopback test servers.
#include "support/LoopbackReplies.h"

#include <utility>
#include <vector>

namespace kartovel::testing {
namespace {

std::string OkHead(std::size_t contentLength) {
  return "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
         std::to_string(contentLength) + "\r\n\r\n";
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

}  // namespace kartovel::testing
