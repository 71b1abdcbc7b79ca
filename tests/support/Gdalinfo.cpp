// Runs gdalinfo on a file through the shell and collects what it prints.
#include "support/Gdalinfo.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace kartovel::testing {

namespace {

constexpr const char* kPlaces[] = {"/usr/bin/gdalinfo", "/usr/local/bin/gdalinfo"};

struct PipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

// The file name quoted for the shell.
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

}  // namespace

std::optional<GdalinfoRun> Gdalinfo(const std::string& fileName) {
  for (const char* place : kPlaces) {
    if (access(place, X_OK) != 0) {
      continue;
    }
    FILE* pipe = popen((std::string(place) + " " + Quoted(fileName) + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
      return std::nullopt;
    }
    GdalinfoRun run;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      run.Output.append(buffer, got);
    }
    const int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }
  return std::nullopt;
}

}  // namespace kartovel::testing
