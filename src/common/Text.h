// Small text helpers shared by every reader of the program's texts: trimming blanks,
// comparing without regard to case, looking for a part. Each reader names the blanks
// its format allows, so one trim serves a typed number, an INI line and an HTTP header.
#pragma once

#include <string_view>

namespace kartovel {

// The blank sets of the formats the program reads.
inline constexpr std::string_view kSpaces = " ";                // typed numbers, integer texts
inline constexpr std::string_view kSpacesAndTabs = " \t";       // INI lines, HTTP header lines
inline constexpr std::string_view kLineBlanks = " \t\r";        // lines of a CR LF file read by LF
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";  // the C library's white space

// The text without the given blanks at either end (or at its start only).
std::string_view TrimBlanks(std::string_view text, std::string_view blanks = kSpacesAndTabs);
std::string_view TrimLeadingBlanks(std::string_view text, std::string_view blanks = kSpacesAndTabs);

// Equal when the texts differ at most in the case of ASCII letters; other bytes compare
// as they are, whatever the user's locale.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view start);

bool Contains(std::string_view text, std::string_view part);

}  // namespace kartovel
