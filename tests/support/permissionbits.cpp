#include "permissionbits.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct Capabilities {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};  // NOLINT: the kernel's layout

    bool get() { return syscall(SYS_capget, &header, data) == 0; }
    bool set() { return syscall(SYS_capset, &header, data) == 0; }
};

constexpr quint32 kOverrides =
    (1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH) | (1U << CAP_FOWNER);

}  // namespace

PermissionBitsApply::PermissionBitsApply() {
    Capabilities caps;
    if (!caps.get() || (caps.data[0].effective & kOverrides) == 0) {
        return;
    }
    effective_ = {caps.data[0].effective, caps.data[1].effective};
    caps.data[0].effective &= ~kOverrides;
    dropped_ = caps.set();
}

PermissionBitsApply::~PermissionBitsApply() {
    Capabilities caps;
    if (dropped_ && caps.get()) {
        caps.data[0].effective = effective_[0];
        caps.data[1].effective = effective_[1];
        caps.set();
    }
}
