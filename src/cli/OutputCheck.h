// The end of every run of kartovel-cli: its two output streams flushed, and a write to
// either that failed (a full disk, a closed pipe) made a failure of the run, since the
// summary a script reads was lost.
#pragma once

#include <cstdio>

namespace kartovel::cli {

// The exit status after flushing out and err: status itself while every write reached
// them; else kExitOutputLost in place of a success, and a line on err that says why
// standard output was lost (when err still takes one).
int StatusAfterFlushing(int status, std::FILE* out, std::FILE* err);

}  // namespace kartovel::cli
