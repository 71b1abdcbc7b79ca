// Reading text files as lines (any line end) and saving line lists with CR LF.
#include "common/LineFile.h"

#include <optional>

#include "common/Error.h"
#include "common/FileSystem.h"

namespace kartovel {

Lines SplitLines(std::string_view text) {
  Lines lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

Lines ReadLines(const std::string& fileName) {
  const std::optional<std::string> content = ReadWholeFile(fileName);
  if (!content) {
    throw CannotOpenFile(fileName);
  }
  return SplitLines(*content);
}

void SaveLines(const std::string& fileName, const Lines& lines, FileAccess access) {
  AtomicFileWriter writer(fileName, access);
  for (const std::string& line : lines) {
    writer.Write(line);
    writer.Write("\r\n");
  }
  writer.Commit();
}

}  // namespace kartovel
