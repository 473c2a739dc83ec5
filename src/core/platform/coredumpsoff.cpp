// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/coredumpsoff.h"

#include <mutex>

#include <sys/prctl.h>
#include <sys/resource.h>

namespace sealmill {

namespace {

struct Saved {
    std::mutex mutex;
    int holders = 0;
    rlimit core{};
    bool haveCore = false;
    int dumpable = 1;
};

Saved& saved() {
    static Saved instance;
    return instance;
}

}  // namespace

CoreDumpsOff::CoreDumpsOff() {
    Saved& s = saved();
    const std::lock_guard lock(s.mutex);
    if (s.holders++ > 0) {
        return;
    }
    // Only the soft limit: lowering the hard one could not be undone.
    s.haveCore = ::getrlimit(RLIMIT_CORE, &s.core) == 0;
    if (s.haveCore) {
        rlimit none = s.core;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_CORE, &none);
    }
    // A core handler behind a pipe in core_pattern ignores the limit; this it
    // does not, and it also keeps ptrace and /proc/<pid>/mem out.
    s.dumpable = ::prctl(PR_GET_DUMPABLE);
    ::prctl(PR_SET_DUMPABLE, 0);
}

CoreDumpsOff::~CoreDumpsOff() {
    Saved& s = saved();
    const std::lock_guard lock(s.mutex);
    if (--s.holders > 0) {
        return;
    }
    if (s.haveCore) {
        ::setrlimit(RLIMIT_CORE, &s.core);
    }
    if (s.dumpable >= 0) {
        ::prctl(PR_SET_DUMPABLE, s.dumpable);
    }
}

}  // namespace sealmill
