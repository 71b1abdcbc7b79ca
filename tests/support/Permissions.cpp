// Dropping the permission-overriding capabilities of one thread, through capget/capset
// (Linux keeps capabilities per thread).
#include "support/Permissions.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kartovel::testing {
namespace {

constexpr uint32_t kOverrides =
    (1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH) | (1U << CAP_FOWNER);

bool ReadCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, data) == 0;
}

bool WriteCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

ScopedNoPermissionOverride::ScopedNoPermissionOverride() {
  __user_cap_data_struct data[2]{};
  if (!ReadCapabilities(data) || (data[0].effective & kOverrides) == 0) {
    return;
  }
  savedEffective_ = data[0].effective;
  data[0].effective &= ~kOverrides;
  changed_ = WriteCapabilities(data);
}

ScopedNoPermissionOverride::~ScopedNoPermissionOverride() {
  __user_cap_data_struct data[2]{};
  if (changed_ && ReadCapabilities(data)) {
    data[0].effective = savedEffective_;
    WriteCapabilities(data);
  }
}

}  // namespace kartovel::testing
