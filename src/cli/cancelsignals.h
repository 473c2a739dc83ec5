// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

// SIGINT and SIGTERM as events. A handler only records the signal; the
// watcher brings it to the event loop, where the run decides what it means.
// Nothing is blocked, so a child inherits no blocked mask and a blocking read
// (the pass-phrase prompt) returns at once.
namespace cancelsignals {

// Installs the handlers; call before any thread starts.
void install();

// The strongest cancelling signal received so far: SIGTERM over SIGINT; 0 for none.
[[nodiscard]] int poll();

// Emits received() from the event loop for every cancelling signal.
class Watcher : public QObject {
    Q_OBJECT

public:
    explicit Watcher(QObject* parent = nullptr);

Q_SIGNALS:
    void received(int signal);
};

}  // namespace cancelsignals
