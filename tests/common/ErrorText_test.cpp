// What the companion programs say about an error: the program's own texts pass through,
// and no library's text (a type name, an internal function) reaches the user.
#include "common/ErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "common/Error.h"

namespace kartovel::tools {
namespace {

std::string TextOf(const std::function<void()>& raise) {
  try {
    raise();
  } catch (...) {
    return CurrentErrorText();
  }
  return "nothing was raised";
}

TEST(ErrorTextTest, SaysWhatHappenedInWordsOfItsOwn) {
  const struct {
    std::function<void()> raise;
    const char* says;
  } cases[] = {
      {[] { throw AppError("The tile list holds no tiles"); }, "The tile list holds no tiles"},
      {[] { throw std::bad_alloc(); }, "Not enough memory"},
      {[] { std::vector<char>().reserve(std::vector<char>().max_size() + 1); },
       "Not enough memory"},
      {[] {
         throw std::filesystem::filesystem_error(
             "cannot stat", "/maps/a.png", std::make_error_code(std::errc::permission_denied));
       },
       "A file operation on /maps/a.png failed: Permission denied"},
      {[] { throw std::out_of_range("vector::_M_range_check"); }, "unexpected error"},
      {[] { throw 7; }, "unexpected error"},
  };
  for (const auto& c : cases) {
    const std::string text = TextOf(c.raise);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    for (const char* libraryWord : {"std::", "vector", "max_size", "_M_", "filesystem error"}) {
      EXPECT_EQ(text.find(libraryWord), std::string::npos) << text;
    }
  }
}

}  // namespace
}  // namespace kartovel::tools
