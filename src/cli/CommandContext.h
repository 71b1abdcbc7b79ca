// What every command of the command line takes from the program: where the program's
// files lie, its clock and HTTP client, its two output streams and the stop request.
#pragma once

#include <cstdio>
#include <stop_token>
#include <string>

#include "common/Clock.h"
#include "download/HttpClient.h"

namespace kartovel::cli {

struct CommandContext {
  std::string ProgramFolder;  // ends with the path separator
  Clock& Time;
  HttpClientFactory MakeClient;
  std::FILE* Out;                       // progress, report lines and summaries
  std::FILE* Err;                       // messages and errors
  bool OutIsTerminal = false;           // progress is redrawn in place
  std::stop_token Stop;  // requested once the user asked to stop
};

}  // namespace kartovel::cli
