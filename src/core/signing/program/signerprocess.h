// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <memory>

namespace sealmill {

// How a signer process ended, and what it printed last.
struct SignerOutcome {
    enum class Ending { Exited, NotStarted, Signalled };
    Ending ending = Ending::NotStarted;
    int exitCode = -1;      // the signal's number when Signalled; -1 when not started
    QByteArray outputTail;  // the last kSignerTailBytes of its merged output
};

// Enough to show what the signer said last, small enough to keep for ever.
inline constexpr qsizetype kSignerTailBytes = 4096;

// One signer process, watched from the event loop: its end arrives as the
// finished() signal, never by waiting. The process gets the null device as
// input, one pipe for its output and errors, the caller's environment and
// current directory, default signal dispositions, an empty signal mask and a
// process group of its own, so a terminal's Ctrl+C reaches only the caller.
class SignerProcess : public QObject {
    Q_OBJECT

public:
    explicit SignerProcess(QObject* parent = nullptr);
    ~SignerProcess() override;  // a process still running is killed and reaped
    Q_DISABLE_COPY_MOVE(SignerProcess)

    // `program` is an absolute path; every value is passed as its bytes. False
    // (and no signal) when it cannot be started.
    [[nodiscard]] bool start(const QByteArray& program, const QList<QByteArray>& arguments);

    // SIGTERM to the process group now, SIGKILL after kStopGraceMs if it is
    // still there. finished() follows as usual.
    void stop();

    [[nodiscard]] bool isRunning() const;

    static constexpr int kStopGraceMs = 2000;

Q_SIGNALS:
    void finished(const sealmill::SignerOutcome& outcome);

private:
    void reap();

    struct Running;
    std::unique_ptr<Running> running_;
};

}  // namespace sealmill
