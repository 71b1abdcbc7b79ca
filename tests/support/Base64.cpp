// Base64 encoding of the credentials a test server expects.
#include "support/Base64.h"

#include <cstdint>

namespace kartovel::testing {

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t available = bytes.size() - i;
    uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
    if (available > 1) {
      group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    }
    if (available > 2) {
      group |= static_cast<uint8_t>(bytes[i + 2]);
    }
    out += kAlphabet[(group >> 18) & 0x3F];
    out += kAlphabet[(group >> 12) & 0x3F];
    out += available > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    out += available > 2 ? kAlphabet[group & 0x3F] : '=';
  }
  return out;
}

}  // namespace kartovel::testing
