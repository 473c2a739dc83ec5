// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/rnplog.h"

#include "core/platform/systemencoding.h"

#include <unistd.h>
#include <QRegularExpression>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <mutex>

namespace sealmill {

namespace {

thread_local QByteArray* tKeeping = nullptr;

// Unbuffered, so each write arrives here from the thread that made it.
ssize_t writeRouted(void* /*cookie*/, const char* data, size_t size) {
    if (tKeeping != nullptr) {
        tKeeping->append(data, static_cast<qsizetype>(size));
        return static_cast<ssize_t>(size);
    }
    size_t written = 0;
    while (written < size) {
        const ssize_t got = ::write(STDERR_FILENO, data + written, size - written);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return written > 0 ? static_cast<ssize_t>(written) : -1;
        }
        written += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(size);
}

}  // namespace

void RnpLog::route() {
    static std::once_flag once;
    std::call_once(once, [] {
        FILE* routed = ::fopencookie(nullptr, "w", {nullptr, writeRouted, nullptr, nullptr});
        if (routed != nullptr && ::setvbuf(routed, nullptr, _IONBF, 0) == 0) {
            (void)std::fflush(stderr);
            stderr = routed;  // NOLINT: glibc's stderr is a variable made to be set
        }
    });
}

RnpLog::RnpLog() : outer_(tKeeping) {
    route();
    tKeeping = &kept_;
}

RnpLog::~RnpLog() {
    tKeeping = outer_;
}

QString RnpLog::lines() const {
    static const QRegularExpression kSourcePosition(QStringLiteral(R"(^\[[^\]]*\] )"));
    QStringList lines;
    for (const QByteArray& line : kept_.split('\n')) {
        const QString text = decodeLocal(line).remove(kSourcePosition).trimmed();
        if (!text.isEmpty() && !lines.contains(text)) {
            lines << text;
        }
    }
    return lines.join(u'\n');
}

}  // namespace sealmill
