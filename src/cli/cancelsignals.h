// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <csignal>

// SIGINT and the signals that would otherwise end the process (SIGTERM,
// SIGHUP, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM) as events. A handler only
// records the signal; the watcher brings it to the event loop, where the run
// decides what it means: SIGINT cancels, any other stops. A signal the parent
// ignores stays ignored. Nothing is blocked, so a child inherits no blocked
// mask and a blocking read (the pass-phrase prompt) returns at once.
namespace cancelsignals {

// Installs the handlers; call before any thread starts.
void install();

// The first stopping signal received so far, else SIGINT if it came; 0 for none.
[[nodiscard]] int poll();

// True when the signal poll() reports stops a run at once.
[[nodiscard]] inline bool stops(int signal) {
    return signal != 0 && signal != SIGINT;
}

// Emits received() from the event loop for every cancelling signal.
class Watcher : public QObject {
    Q_OBJECT

public:
    explicit Watcher(QObject* parent = nullptr);

Q_SIGNALS:
    void received(int signal);
};

}  // namespace cancelsignals
