// The width of the terminal a stream writes to, read afresh on every call so that a window
// resized during a run is followed at its next redraw.
#pragma once

#include <cstdio>

namespace kartovel::cli {

// Columns of the terminal behind out; 0 when out is no terminal or its size is unknown.
int TerminalColumns(std::FILE* out);

}  // namespace kartovel::cli
