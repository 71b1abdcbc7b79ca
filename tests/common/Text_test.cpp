// The shared text helpers: each format's blanks are trimmed and no others, case is
// ignored for ASCII letters only.
#include "common/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace kartovel {
namespace {

struct TrimCase {
  std::string text;
  std::string_view blanks;
  std::string both;     // TrimBlanks
  std::string leading;  // TrimLeadingBlanks
};

TEST(Text, TrimsTheBlanksOfTheFormatAndNoOthers) {
  const TrimCase cases[] = {
      {.text = "", .blanks = kSpaces, .both = "", .leading = ""},
      {.text = "   ", .blanks = kSpaces, .both = "", .leading = ""},
      {.text = " 12.5 ", .blanks = kSpaces, .both = "12.5", .leading = "12.5 "},
      {.text = "\t12.5", .blanks = kSpaces, .both = "\t12.5", .leading = "\t12.5"},
      {.text = " \tkey \t", .blanks = kSpacesAndTabs, .both = "key", .leading = "key \t"},
      {.text = "a b", .blanks = kSpacesAndTabs, .both = "a b", .leading = "a b"},
      {.text = "line\r", .blanks = kSpacesAndTabs, .both = "line\r", .leading = "line\r"},
      {.text = " line \r", .blanks = kLineBlanks, .both = "line", .leading = "line \r"},
      {.text = "\r\t \r", .blanks = kLineBlanks, .both = "", .leading = ""},
      {.text = "\n\v\f 7", .blanks = kWhiteSpace, .both = "7", .leading = "7"},
      {.text = "\n7", .blanks = kLineBlanks, .both = "\n7", .leading = "\n7"},
  };
  for (const TrimCase& c : cases) {
    EXPECT_EQ(TrimBlanks(c.text, c.blanks), c.both) << '"' << c.text << '"';
    EXPECT_EQ(TrimLeadingBlanks(c.text, c.blanks), c.leading) << '"' << c.text << '"';
  }
  EXPECT_EQ(TrimBlanks(" \tINI\t "), "INI");  // spaces and tabs unless told otherwise
}

TEST(Text, IgnoresTheCaseOfAsciiLettersOnly) {
  const struct {
    std::string a;
    std::string b;
    bool equal;
  } cases[] = {
      {"THREADS", "threads", true},
      {"Proxy-Authorization", "proxy-AUTHORIZATION", true},
      {"", "", true},
      {"T1X", "T1Y", false},
      {"Zoom", "Zoom ", false},
      {"[", "{", false},        // "[" and "{" are 32 apart like "A" and "a"
      {"\xC4", "\xE4", false},  // Latin-1 letters compare as bytes, whatever the locale
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
  }
}

TEST(Text, FindsAPartAnywhereCaseSensitively) {
  EXPECT_TRUE(Contains("Socket Error # 10054", "10054"));
  EXPECT_TRUE(Contains("any", ""));
  EXPECT_FALSE(Contains("HTTP/1.1 404 Not Found", "not found"));
  EXPECT_FALSE(Contains("", "x"));
}

}  // namespace
}  // namespace kartovel
