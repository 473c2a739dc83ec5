// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/program/signerprocess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <csignal>
#include <vector>

extern char** environ;  // NOLINT: the process environment, as POSIX declares it

namespace sealmill {

namespace {

// Without a pidfd (kernels before 5.3) the end shows only through waitpid.
constexpr int kExitPollMs = 2;

int openPidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void appendTail(QByteArray& tail, QByteArrayView more) {
    tail.append(more);
    if (tail.size() > kSignerTailBytes) {
        tail.remove(0, tail.size() - kSignerTailBytes);
    }
}

// Reads whatever the pipe holds now; false once every writer has closed it.
bool drain(int fd, QByteArray& tail) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): read() fills it
    std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            appendTail(tail, QByteArrayView(buffer.data(), got));
        } else if (got == 0) {
            return false;
        } else if (errno != EINTR) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
}

void closeDescriptor(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

struct SpawnAttributes {
    posix_spawn_file_actions_t files{};
    posix_spawnattr_t attributes{};
    SpawnAttributes() {
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawnattr_init(&attributes);
    }
    Q_DISABLE_COPY_MOVE(SpawnAttributes)
    ~SpawnAttributes() {
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&files);
    }
};

// posix_spawn rather than fork: a fraction of the cost per start, and no copy
// of the caller's page tables however much memory it holds.
pid_t spawn(const QByteArray& program, const QList<QByteArray>& arguments, int output) {
    SpawnAttributes spawn;
    // The duplicates come first: should the pipe sit at descriptor 0, the
    // null device must not close it before it is copied.
    ::posix_spawn_file_actions_adddup2(&spawn.files, output, STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&spawn.files, output, STDERR_FILENO);
    ::posix_spawn_file_actions_addopen(&spawn.files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&spawn.attributes, &all);
    ::posix_spawnattr_setsigmask(&spawn.attributes, &none);
    ::posix_spawnattr_setpgroup(&spawn.attributes, 0);
    ::posix_spawnattr_setflags(
        &spawn.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.constData()));  // NOLINT: exec's argv is not const
    for (const QByteArray& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.constData()));  // NOLINT
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.constData(), &spawn.files, &spawn.attributes, argv.data(),
                      environ) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace

// The watchers are children of the SignerProcess and go with deleteLater():
// the process may end inside one of their own signals.
struct SignerProcess::Running {
    pid_t pid = -1;
    int output = -1;
    int exitNotice = -1;
    SignerOutcome outcome;
    QSocketNotifier* outputNotifier = nullptr;
    QObject* exitWatcher = nullptr;  // a notifier on the pidfd, or a polling timer
    QTimer* killTimer = nullptr;

    Running() = default;
    Q_DISABLE_COPY_MOVE(Running)
    ~Running() {
        for (QObject* watcher : {static_cast<QObject*>(outputNotifier), exitWatcher,
                                 static_cast<QObject*>(killTimer)}) {
            if (auto* notifier = qobject_cast<QSocketNotifier*>(watcher)) {
                notifier->setEnabled(false);
            } else if (auto* timer = qobject_cast<QTimer*>(watcher)) {
                timer->stop();
            }
            if (watcher != nullptr) {
                watcher->deleteLater();
            }
        }
        closeDescriptor(output);
        closeDescriptor(exitNotice);
    }
};

SignerProcess::SignerProcess(QObject* parent) : QObject(parent) {
}

SignerProcess::~SignerProcess() {
    if (running_) {
        ::kill(-running_->pid, SIGKILL);
        while (::waitpid(running_->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

bool SignerProcess::isRunning() const {
    return running_ != nullptr;
}

bool SignerProcess::start(const QByteArray& program, const QList<QByteArray>& arguments) {
    if (running_) {
        return false;
    }
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    const pid_t pid = spawn(program, arguments, ends[1]);
    // Only the signer may hold the write end, or the pipe would never end.
    ::close(ends[1]);
    if (pid < 0) {
        ::close(ends[0]);
        return false;
    }
    running_ = std::make_unique<Running>();
    Running& run = *running_;
    run.pid = pid;
    run.output = ends[0];
    run.outputNotifier = new QSocketNotifier(run.output, QSocketNotifier::Read, this);
    connect(run.outputNotifier, &QSocketNotifier::activated, this, [this] {
        if (!drain(running_->output, running_->outcome.outputTail)) {
            running_->outputNotifier->setEnabled(false);
        }
    });
    run.exitNotice = openPidDescriptor(pid);
    if (run.exitNotice >= 0) {
        auto* notifier = new QSocketNotifier(run.exitNotice, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &SignerProcess::reap);
        run.exitWatcher = notifier;
    } else {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &SignerProcess::reap);
        poll->start(kExitPollMs);
        run.exitWatcher = poll;
    }
    run.killTimer = new QTimer(this);
    run.killTimer->setSingleShot(true);
    connect(run.killTimer, &QTimer::timeout, this, [this] { ::kill(-running_->pid, SIGKILL); });
    return true;
}

void SignerProcess::reap() {
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(running_->pid, &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) {
        return;  // not yet
    }
    SignerOutcome outcome = std::move(running_->outcome);
    if (waited < 0) {
        // Reaped elsewhere: it ran, its status is lost.
        outcome.ending = SignerOutcome::Ending::Exited;
    } else if (WIFSIGNALED(status)) {
        outcome.ending = SignerOutcome::Ending::Signalled;
        outcome.exitCode = WTERMSIG(status);
    } else {
        outcome.ending = SignerOutcome::Ending::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
    // What it wrote before it ended; a process it left behind may still hold
    // the pipe, so this takes what is there and does not wait.
    (void)drain(running_->output, outcome.outputTail);
    running_.reset();
    Q_EMIT finished(outcome);
}

void SignerProcess::stop() {
    if (running_ && !running_->killTimer->isActive()) {
        ::kill(-running_->pid, SIGTERM);
        running_->killTimer->start(kStopGraceMs);
    }
}

}  // namespace sealmill
