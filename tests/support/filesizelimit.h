// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/resource.h>
#include <QtGlobal>
#include <csignal>

// While one lives, writing a file past `bytes` fails as on a full disk (the
// signal that would end the process is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    Q_DISABLE_COPY_MOVE(FileSizeLimit)

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = std::signal(SIGXFSZ, SIG_IGN);
};
