// Lets a test meet file permissions as an ordinary user does, also when the suite runs
// as root (in a container, say): the calling thread gives up the capabilities that pass
// over permission bits for the life of the object, and takes them back afterwards.
#pragma once

#include <cstdint>

namespace kartovel::testing {

class ScopedNoPermissionOverride {
 public:
  ScopedNoPermissionOverride();
  ~ScopedNoPermissionOverride();
  ScopedNoPermissionOverride(const ScopedNoPermissionOverride&) = delete;
  ScopedNoPermissionOverride& operator=(const ScopedNoPermissionOverride&) = delete;

 private:
  uint32_t savedEffective_ = 0;
  bool changed_ = false;
};

}  // namespace kartovel::testing
