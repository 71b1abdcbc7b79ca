// The INI service: section/key lookups over the file's lines, and in-place updates that
// keep every other line byte for byte and replace the file atomically.
#include "common/IniFile.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IntegerText.h"
#include "common/LineFile.h"
#include "common/Text.h"

namespace kartovel {
namespace {

constexpr size_t kMaxValueLength = 2047;

// The name of a "[name]" line (blanks around it ignored); empty for other lines.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.empty() || line.front() != '[') {
    return std::nullopt;
  }
  line.remove_prefix(1);
  return TrimBlanks(line.substr(0, line.find(']')));
}

// A "key=value" line: the key without surrounding blanks, the value exactly as stored.
struct Entry {
  std::string_view key;
  std::string_view value;
};

std::optional<Entry> ParseEntry(std::string_view line) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || TrimBlanks(line).starts_with(';')) {
    return std::nullopt;
  }
  return Entry{TrimBlanks(line.substr(0, equals)), line.substr(equals + 1)};
}

// Lines [header, end) of the first section of that name: its header and its body.
struct SectionSpan {
  size_t header;
  size_t end;
};

std::optional<SectionSpan> FindSection(const Lines& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::optional<std::string_view> name = SectionName(lines[i]);
    if (name && EqualsIgnoringCase(*name, section)) {
      size_t end = i + 1;
      while (end < lines.size() && !SectionName(lines[end])) {
        ++end;
      }
      return SectionSpan{i, end};
    }
  }
  return std::nullopt;
}

std::optional<size_t> FindEntry(const Lines& lines, SectionSpan span, std::string_view key) {
  for (size_t i = span.header + 1; i < span.end; ++i) {
    const std::optional<Entry> entry = ParseEntry(lines[i]);
    if (entry && EqualsIgnoringCase(entry->key, key)) {
      return i;
    }
  }
  return std::nullopt;
}

// The file's lines; none when it is missing or cannot be read whole.
std::optional<Lines> ReadIniLines(const std::string& fileName) {
  try {
    return ReadLines(fileName);
  } catch (const AppError&) {
    return std::nullopt;
  }
}

// Where a new key goes: after the section's last non-blank line, so that the blank
// lines that separate it from the next section stay after it.
size_t NewEntryPosition(const Lines& lines, SectionSpan span) {
  size_t position = span.end;
  while (position > span.header + 1 && TrimBlanks(lines[position - 1]).empty()) {
    --position;
  }
  return position;
}

// A name or value that would break the line structure of the file cannot be stored.
bool FitsOnOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool CanBeStored(std::string_view section, std::string_view key, std::string_view value) {
  return FitsOnOneLine(section) && FitsOnOneLine(key) && FitsOnOneLine(value) &&
         section.find(']') == std::string_view::npos && key.find('=') == std::string_view::npos;
}

void SetEntry(Lines& lines, const std::string& section, const std::string& key,
              const std::string& value) {
  const std::optional<SectionSpan> span = FindSection(lines, section);
  if (!span) {
    if (!lines.empty() && !TrimBlanks(lines.back()).empty()) {
      lines.emplace_back();
    }
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
    return;
  }
  if (const std::optional<size_t> at = FindEntry(lines, *span, key)) {
    // The key keeps its spelling in the file; only its value changes.
    const std::string storedKey(ParseEntry(lines[*at])->key);
    lines[*at] = storedKey + "=" + value;
    return;
  }
  const auto position = static_cast<std::ptrdiff_t>(NewEntryPosition(lines, *span));
  lines.insert(lines.begin() + position, key + "=" + value);
}

std::string FullName(const std::string& fileName) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(fileName, error);
  return error ? fileName : absolute.string();
}

// The stored value of a key, if the section and the key are there.
std::optional<std::string_view> StoredValue(const Lines& lines, const std::string& section,
                                            const std::string& key) {
  if (const std::optional<SectionSpan> span = FindSection(lines, section)) {
    if (const std::optional<size_t> at = FindEntry(lines, *span, key)) {
      return ParseEntry(lines[*at])->value;
    }
  }
  return std::nullopt;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lower;
}

std::string CutToReadLength(std::string value) {
  if (value.size() > kMaxValueLength) {
    value.resize(kMaxValueLength);
  }
  return value;
}

}  // namespace

std::optional<int32_t> IniIntegerValue(std::string text) {
  if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
    text = "$" + text.substr(2);
  }
  return ParseIntegerText(text);
}

IniSnapshot::IniSnapshot(const std::string& fileName) {
  if (std::optional<Lines> lines = ReadIniLines(fileName)) {
    lines_ = std::move(*lines);
  }
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (const std::optional<std::string_view> name = SectionName(lines_[i])) {
      if (!sections_.empty()) {
        sections_.back().End = i;
      }
      firstByName_.try_emplace(LowerCase(*name), sections_.size());
      sections_.push_back(Section{std::string(*name), i, lines_.size()});
    }
  }
}

const IniSnapshot::Section* IniSnapshot::FirstSection(std::string_view section) const {
  const auto found = firstByName_.find(LowerCase(section));
  return found == firstByName_.end() ? nullptr : &sections_[found->second];
}

std::optional<std::string_view> IniSnapshot::StoredValue(std::string_view section,
                                                         std::string_view key) const {
  if (const Section* span = FirstSection(section)) {
    for (size_t i = span->Header + 1; i < span->End; ++i) {
      const std::optional<Entry> entry = ParseEntry(lines_[i]);
      if (entry && EqualsIgnoringCase(entry->key, key)) {
        return entry->value;
      }
    }
  }
  return std::nullopt;
}

std::string IniSnapshot::ReadString(std::string_view section, std::string_view key,
                                    const std::string& defaultValue) const {
  const std::optional<std::string_view> value = StoredValue(section, key);
  return CutToReadLength(value ? std::string(*value) : defaultValue);
}

std::optional<int32_t> IniSnapshot::ReadInteger(std::string_view section,
                                                std::string_view key) const {
  return IniIntegerValue(ReadString(section, key, ""));
}

std::vector<std::string> IniSnapshot::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& section : sections_) {
    names.push_back(section.Name);
  }
  return names;
}

std::vector<std::pair<std::string_view, std::string_view>> IniSnapshot::Entries(
    std::string_view section) const {
  std::vector<std::pair<std::string_view, std::string_view>> entries;
  if (const Section* span = FirstSection(section)) {
    for (size_t i = span->Header + 1; i < span->End; ++i) {
      if (const std::optional<Entry> entry = ParseEntry(lines_[i])) {
        entries.emplace_back(entry->key, entry->value);
      }
    }
  }
  return entries;
}

TIniFile::TIniFile(std::string fileName, std::optional<PrivateIniKey> privateKey)
    : fileName_(std::move(fileName)), privateKey_(std::move(privateKey)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  std::string result = defaultValue;
  if (const std::optional<Lines> lines = ReadIniLines(fileName_)) {
    if (const std::optional<std::string_view> value = StoredValue(*lines, section, key)) {
      result = std::string(*value);
    }
  }
  if (result.size() > kMaxValueLength) {
    result.resize(kMaxValueLength);
  }
  return result;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                              int32_t defaultValue) const {
  return IniIntegerValue(ReadString(section, key, "")).value_or(defaultValue);
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> sections;
  if (const std::optional<Lines> lines = ReadIniLines(fileName_)) {
    for (const std::string& line : *lines) {
      if (const std::optional<std::string_view> name = SectionName(line)) {
        sections.emplace_back(*name);
      }
    }
  }
  return sections;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  WriteStrings(section, {IniEntry{key, value}});
}

void TIniFile::WriteStrings(const std::string& section, const std::vector<IniEntry>& entries) {
  for (const IniEntry& entry : entries) {
    if (!CanBeStored(section, entry.Key, entry.Value)) {
      throw UnableToWriteTo(FullName(fileName_));
    }
  }
  std::optional<Lines> lines = ReadIniLines(fileName_);
  if (!lines) {
    // A file that exists but cannot be read whole must not be replaced by a fresh one.
    if (FileExists(fileName_)) {
      throw UnableToWriteTo(FullName(fileName_));
    }
    lines.emplace();
  }
  for (const IniEntry& entry : entries) {
    SetEntry(*lines, section, entry.Key, entry.Value);
  }
  const bool holdsPrivateValue =
      privateKey_ &&
      !StoredValue(*lines, privateKey_->Section, privateKey_->Key).value_or("").empty();
  try {
    SaveLines(fileName_, *lines, holdsPrivateValue ? FileAccess::OwnerOnly : FileAccess::Shared);
  } catch (const AppError&) {
    throw UnableToWriteTo(FullName(fileName_));
  }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

}  // namespace kartovel
