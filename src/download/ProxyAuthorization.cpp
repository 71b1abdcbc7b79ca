// Base64 and the Proxy-Authorization header line.
#include "download/ProxyAuthorization.h"

#include <cstdint>

namespace kartovel {

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t count = bytes.size() - at < 3 ? bytes.size() - at : 3;
    uint32_t group = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      const uint32_t byte = i < count ? static_cast<unsigned char>(bytes[at + i]) : 0U;
      group = (group << 8) | byte;
    }
    // count bytes fill count + 1 digits; the rest of the four are padding.
    for (std::size_t digit = 0; digit < 4; ++digit) {
      text += digit <= count ? kDigits[(group >> (18 - 6 * digit)) & 0x3F] : '=';
    }
  }
  return text;
}

std::string ProxyAuthorizationLine(std::string_view username, std::string_view password) {
  std::string credentials(username);
  credentials += ':';
  credentials += password;
  return "Proxy-Authorization: Basic " + Base64Encode(credentials);
}

}  // namespace kartovel
