// Flushing the output streams at the end of a run and judging what was lost.
#include "cli/OutputCheck.h"

#include <cerrno>
#include <string>

#include "cli/CliArguments.h"
#include "common/Error.h"

namespace kartovel::cli {
namespace {

// Flushes the stream; the errno of its failure, -1 for a failure of an earlier write
// whose reason is gone, 0 when every write reached it.
int FlushFailure(std::FILE* stream) {
  errno = 0;
  if (std::fflush(stream) != 0) {
    return errno != 0 ? errno : -1;
  }
  return std::ferror(stream) != 0 ? -1 : 0;
}

}  // namespace

int StatusAfterFlushing(int status, std::FILE* out, std::FILE* err) {
  const int outFailure = FlushFailure(out);
  if (outFailure != 0) {
    const std::string reason = outFailure > 0 ? ": " + SystemErrorText(outFailure) : "";
    std::fprintf(err, "Cannot write to standard output%s.\n", reason.c_str());
  }
  const int errFailure = FlushFailure(err);
  if ((outFailure != 0 || errFailure != 0) && status == kExitAllFetched) {
    return kExitOutputLost;
  }
  return status;
}

}  // namespace kartovel::cli
