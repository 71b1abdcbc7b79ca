// Reading text files as lines (any line end) and saving line lists with CR LF.
#include "common/LineFile.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"

namespace kartovel {

Lines SplitLines(std::string_view text) {
  if (size_t nul = text.find('\0'); nul != std::string_view::npos) {
    text = text.substr(0, nul);
  }
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
  // A folder opens as a stream on Linux but reads nothing: it is no text file either.
  std::ifstream file(fileName, std::ios::binary);
  if (!file || DirectoryExists(fileName)) {
    throw CannotOpenFile(fileName);
  }
  std::ostringstream content;
  content << file.rdbuf();
  if (file.bad()) {
    throw CannotOpenFile(fileName);
  }
  return SplitLines(content.view());
}

void SaveLines(const std::string& fileName, const Lines& lines) {
  AtomicFileWriter writer(fileName);
  for (const std::string& line : lines) {
    writer.Write(line);
    writer.Write("\r\n");
  }
  writer.Commit();
}

}  // namespace kartovel
