// Text files as line lists: reading with any line end, saving with CR LF after each
// line by atomic replace.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/AtomicFile.h"

namespace kartovel {

using Lines = std::vector<std::string>;

// Splits text at CR LF, a lone CR or a lone LF. A final line without a line end
// counts as a line; every other byte, NUL included, stays in its line.
Lines SplitLines(std::string_view text);

// Reads a whole file as lines. Throws "Cannot open file %s" when it cannot be read whole.
Lines ReadLines(const std::string& fileName);

// Writes every line followed by CR LF, replacing the file atomically.
// Throws "Cannot create file %s" when the file cannot be written.
void SaveLines(const std::string& fileName, const Lines& lines,
               FileAccess access = FileAccess::Shared);

}  // namespace kartovel
