// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <QtGlobal>

// While one lives, file permission bits bind this process as they bind an
// ordinary user, also when the tests run as root (as CI does): the
// capabilities that let root past them are out of effect. Programs started
// meanwhile get them back, as root's programs always do.
class PermissionBitsApply {
public:
    PermissionBitsApply() {
        if (get() && (caps_[0].effective & kOverrides) != 0) {
            const quint32 saved = caps_[0].effective;
            caps_[0].effective &= ~kOverrides;
            dropped_ = set();
            caps_[0].effective = saved;
        }
    }
    ~PermissionBitsApply() {
        if (dropped_) {
            set();
        }
    }
    Q_DISABLE_COPY_MOVE(PermissionBitsApply)

private:
    static constexpr quint32 kOverrides =
        (1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH) | (1U << CAP_FOWNER);

    bool get() { return syscall(SYS_capget, &header_, caps_) == 0; }
    bool set() { return syscall(SYS_capset, &header_, caps_) == 0; }

    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps_[_LINUX_CAPABILITY_U32S_3]{};  // NOLINT: the kernel's layout
    bool dropped_ = false;
};
