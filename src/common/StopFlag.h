// A stop request that reads like a flag: the one std::stop_source of a long job, asked
// with load() where a loop looks at it and handed out as a token to whatever waits on
// the job's behalf (an HTTP request, a pause, a condition variable).
#pragma once

#include <stop_token>

namespace kartovel {

class StopFlag {
 public:
  // Sets the flag; every token handed out sees it and their stop callbacks run.
  void Request() noexcept { source_.request_stop(); }
  // True once Request has been called (named like an atomic's read, which it replaces).
  bool load() const noexcept { return source_.stop_requested(); }
  std::stop_token Token() const noexcept { return source_.get_token(); }
  // A fresh, unset flag for the next job; tokens of the last one keep their state.
  void Renew() { source_ = std::stop_source(); }

 private:
  std::stop_source source_;
};

}  // namespace kartovel
