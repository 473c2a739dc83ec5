// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cancelsignals.h"

#include <QtGlobal>
#include <atomic>
#include <csignal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <array>
#else
#include <QTimer>
#endif

namespace cancelsignals {

namespace {

std::atomic<int> strongest{0};
#ifndef Q_OS_UNIX
std::atomic<int> count{0};  // signals so far, for the watcher's polling
#endif

void record(int signal) {
    if (signal == SIGTERM) {
        strongest.store(SIGTERM);
    } else {
        int none = 0;
        strongest.compare_exchange_strong(none, signal);
    }
#ifndef Q_OS_UNIX
    count.fetch_add(1);
#endif
}

#ifdef Q_OS_UNIX
// The handler's way into the event loop: one byte per signal.
std::array<int, 2> wakeUp{-1, -1};

extern "C" void onSignal(int signal) {
    const int saved = errno;
    record(signal);
    const char byte = static_cast<char>(signal);
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}
#else
extern "C" void onSignal(int signal) {
    record(signal);
    std::signal(signal, onSignal);
}
#endif

}  // namespace

void install() {
#ifdef Q_OS_UNIX
    if (::pipe2(wakeUp.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        wakeUp = {-1, -1};
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read waiting for the user must end
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A parent that ignores SIGCHLD would have every signer reaped behind our
    // back, its exit code lost.
    std::signal(SIGCHLD, SIG_DFL);
#else
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#endif
}

int poll() {
    return strongest.load();
}

Watcher::Watcher(QObject* parent) : QObject(parent) {
#ifdef Q_OS_UNIX
    auto* notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(wakeUp[0], &byte, 1) == 1) {
            Q_EMIT received(byte);
        }
    });
#else
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, seen = 0]() mutable {
        for (; seen < count.load(); ++seen) {
            Q_EMIT received(poll());
        }
    });
    timer->start(100);
#endif
}

}  // namespace cancelsignals
