// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>

namespace sealmill {

// How a gpg call ended.
struct GpgCall {
    enum class Ending { Exited, NotStarted, Signalled, Stopped, TimedOut, TooMuchOutput };
    Ending ending = Ending::NotStarted;
    int exitCode = -1;  // when Exited
    QByteArray said;    // the end of what it wrote to its standard error
};

// What a gpg call may take.
struct GpgBounds {
    const std::atomic<bool>* stop = nullptr;  // set from another thread: end it now
    std::chrono::milliseconds time{};         // 0: no limit
    qsizetype outputBytes = 0;                // the most it may print on its standard output
};

// What gpg said last is enough to explain a failure.
inline constexpr qsizetype kGpgSaidBytes = 4096;
// As long as a signer program gets between SIGTERM and SIGKILL.
inline constexpr std::chrono::milliseconds kGpgStopGrace{2000};

// Runs gpg on the calling thread to its end: `input` on its standard input
// (written from the caller's buffer straight into the pipe), its standard
// output into `output`, its standard error's last kGpgSaidBytes into `said`.
// It runs in a process group of its own with default signal dispositions.
// When `bounds` are exceeded, or their stop flag is set, the group gets
// SIGTERM and, kGpgStopGrace later, SIGKILL; this returns once gpg is reaped.
[[nodiscard]] GpgCall callGpg(const QString& program, const QStringList& arguments,
                              QByteArrayView input, SecretBytes& output, const GpgBounds& bounds);

}  // namespace sealmill
