// Helpers shared by the benchmarks: a scratch folder that cleans up after itself, and the
// process's processor time and peak resident memory as getrusage reports them.
#pragma once

#include <stdlib.h>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace kartovel::bench {

// A fresh folder under the temporary directory, removed with all it holds when the
// object goes. Path() ends in "/" so file names can be appended directly.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kartovel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp: " + std::generic_category().message(errno));
    }
    path_ = pattern + "/";
  }
  ~ScratchFolder() {
    std::error_code ignored;  // a destructor must not throw; leftovers are harmless
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

namespace detail {

inline rusage OwnUsage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage;
}

inline double ToSeconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace detail

// Processor time (user + system) the process has used so far. The difference of two
// readings is the figure that other programs on the machine disturb least.
inline double ProcessorSeconds() {
  const rusage usage = detail::OwnUsage();
  return detail::ToSeconds(usage.ru_utime) + detail::ToSeconds(usage.ru_stime);
}

// The most resident memory the process has held so far.
inline double PeakResidentMegabytes() {
  return static_cast<double>(detail::OwnUsage().ru_maxrss) / 1024.0;  // ru_maxrss is in kB
}

}  // namespace kartovel::bench
