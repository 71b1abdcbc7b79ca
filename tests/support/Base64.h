// Base64 (RFC 4648, with padding), for the expected Basic credentials in tests.
#pragma once

#include <string>
#include <string_view>

namespace kartovel::testing {

std::string Base64Encode(std::string_view bytes);

}  // namespace kartovel::testing
