// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cancelsignals.h"

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <array>

namespace cancelsignals {

namespace {

std::atomic<int> strongest{0};

// Each of these would end the process at once, leaving its temporary files and
// its signer behind: a closed terminal or connection, a reader of its output
// gone, a timer, a script's own signals.
constexpr std::array kStopSignals{SIGTERM, SIGHUP, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM};

// The first stopping signal counts; SIGINT only until one comes.
void record(int signal) {
    int seen = strongest.load();
    while ((seen == 0 || (seen == SIGINT && signal != SIGINT)) &&
           !strongest.compare_exchange_weak(seen, signal)) {
    }
}

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

}  // namespace

void install() {
    if (::pipe2(wakeUp.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        wakeUp = {-1, -1};
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a read waiting for the user must end
    std::array<int, kStopSignals.size() + 1> handled{SIGINT};
    std::copy(kStopSignals.cbegin(), kStopSignals.cend(), handled.begin() + 1);
    for (const int signal : handled) {
        // One the parent ignores stays ignored, as shells expect of a
        // background job (SIGINT) or of nohup (SIGHUP). An ignored SIGPIPE
        // makes a write to a closed pipe fail with EPIPE, which is handled.
        struct sigaction inherited {};
        if (sigaction(signal, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(signal, &action, nullptr);
    }
    // A parent that ignores SIGCHLD would have every signer reaped behind our
    // back, its exit code lost.
    std::signal(SIGCHLD, SIG_DFL);
}

int poll() {
    return strongest.load();
}

Watcher::Watcher(QObject* parent) : QObject(parent) {
    auto* notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(wakeUp[0], &byte, 1) == 1) {
            Q_EMIT received(byte);
        }
    });
}

}  // namespace cancelsignals
