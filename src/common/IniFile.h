// The INI service: private-profile semantics on one file, opened for each use.
// Section and key names compare without regard to case; a write updates the value in
// place, keeps every other line, and replaces the file atomically.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kartovel {

// One key and its value, for writing several keys of a section in one replace.
struct IniEntry {
  std::string Key;
  std::string Value;
};

// A stored value read as an integer by the integer text rule, which the INI service
// widens by the "0x"/"0X" prefix ("0x1F" reads as 31); none when it is no integer.
std::optional<int32_t> IniIntegerValue(std::string text);

// A key whose value must not be read by others: while it holds a non-empty value the
// file is written readable by its owner only.
struct PrivateIniKey {
  std::string Section;
  std::string Key;
};

class TIniFile {
 public:
  explicit TIniFile(std::string fileName, std::optional<PrivateIniKey> privateKey = std::nullopt);

  // The stored value (at most 2047 characters) or the default. Never fails.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  // The stored value by the integer text rule ("0x1F" reads as 31), or the default.
  int32_t ReadInteger(const std::string& section, const std::string& key,
                      int32_t defaultValue) const;
  // The section names in file order, as spelt there, a repeated one each time it
  // appears; empty when the file is missing or unreadable.
  std::vector<std::string> ReadSections() const;
  // Throws "Unable to write to %s" with the full file name when the file cannot be written.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  // Writes every entry in one replace of the file, so that a kill never leaves some of
  // them written and others not. Throws like WriteString, then writing none of them.
  void WriteStrings(const std::string& section, const std::vector<IniEntry>& entries);

  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
  std::optional<PrivateIniKey> privateKey_;
};

// One reading of an INI file for many lookups, by the rules of TIniFile's reads: the file
// is read and indexed once, so a reader of many sections (the map sources) takes time in
// proportion to the file's size rather than to its size times its sections.
class IniSnapshot {
 public:
  // A missing or unreadable file holds nothing.
  explicit IniSnapshot(const std::string& fileName);

  // The stored value whole (TIniFile::ReadString cuts it at 2047 characters), if the
  // first section of that name holds the key.
  std::optional<std::string_view> StoredValue(std::string_view section, std::string_view key) const;
  // As TIniFile::ReadString.
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& defaultValue) const;
  // As TIniFile::ReadInteger, none instead of a default.
  std::optional<int32_t> ReadInteger(std::string_view section, std::string_view key) const;
  // As TIniFile::ReadSections.
  std::vector<std::string> ReadSections() const;
  // The keys and whole values of the first section of that name, in file order.
  std::vector<std::pair<std::string_view, std::string_view>> Entries(std::string_view section) const;

 private:
  struct Section {
    std::string Name;
    size_t Header = 0;  // the line of "[name]"
    size_t End = 0;     // the line after its body
  };
  const Section* FirstSection(std::string_view section) const;

  std::vector<std::string> lines_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> firstByName_;  // lower-case name: its first section
};

}  // namespace kartovel
