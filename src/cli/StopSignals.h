// SIGINT and SIGTERM as the Stop button of the command line: the first one asks the run
// to stop (the command's loop presses Stop), a second one ends the program at once with
// exit status 130; the run's files then hold what the last fifth tick wrote.
#pragma once

namespace kartovel::cli {

class StopSignals {
 public:
  // Installs the handlers; the destructor restores the earlier ones. One at a time.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // True once a first signal has arrived.
  static bool Requested();
};

}  // namespace kartovel::cli
