#include "signerprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <array>
#include <cerrno>
#include <csignal>
#include <vector>

extern char** environ;  // NOLINT: the process environment, as POSIX declares it

namespace sealmill {

namespace {

// Without a pidfd the end of the signer shows only through waitpid, so the
// wait looks this often.
constexpr int kExitCheckMs = 2;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&&) = delete;
    Descriptor& operator=(Descriptor&&) = delete;
    ~Descriptor() { close(); }

    [[nodiscard]] int get() const { return fd_; }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

// Tells when the process ends without touching SIGCHLD, which QProcess owns.
int openPidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// Reads whatever the pipe holds now; false once every writer has closed it.
bool drain(int fd, QByteArray& tail) {
    std::array<char, 16384> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            keepSignerTail(tail, QByteArrayView(buffer.data(), got));
        } else if (got == 0) {
            return false;
        } else if (errno != EINTR) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
}

struct SpawnActions {
    posix_spawn_file_actions_t files{};
    posix_spawnattr_t attributes{};
    SpawnActions() {
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawnattr_init(&attributes);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    SpawnActions(SpawnActions&&) = delete;
    SpawnActions& operator=(SpawnActions&&) = delete;
    ~SpawnActions() {
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&files);
    }
};

// Starts the program with the pipe's write end as its stdout and stderr and
// the null device as its stdin; everything else of ours is close-on-exec.
// The caller's signal mask is inherited on purpose (a front end may block
// SIGINT so that only it decides on a cancel); SIGPIPE goes back to its
// default, as a program started from a shell expects.
int spawn(pid_t& pid, const QString& program, const QStringList& arguments, int output) {
    SpawnActions actions;
    // The duplicates come first: should the pipe sit at descriptor 0, the
    // null device must not close it before it is copied.
    ::posix_spawn_file_actions_adddup2(&actions.files, output, STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions.files, output, STDERR_FILENO);
    ::posix_spawn_file_actions_addopen(&actions.files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    ::posix_spawnattr_setsigdefault(&actions.attributes, &defaults);
    ::posix_spawnattr_setflags(&actions.attributes, POSIX_SPAWN_SETSIGDEF);

    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> encoded;
    encoded.reserve(static_cast<size_t>(arguments.size()));
    for (const QString& argument : arguments) {
        encoded.push_back(QFile::encodeName(argument));
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.constData()));  // NOLINT: exec's argv is not const
    for (QByteArray& argument : encoded) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return ::posix_spawn(&pid, path.constData(), &actions.files, &actions.attributes, argv.data(),
                         environ);
}

void recordEnding(int status, SignerOutcome& outcome) {
    if (WIFSIGNALED(status)) {
        outcome.ending = SignerOutcome::Ending::Signalled;
        outcome.exitCode = WTERMSIG(status);
    } else {
        outcome.ending = SignerOutcome::Ending::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
}

}  // namespace

SignerOutcome runSignerWithSpawn(const QString& program, const QStringList& arguments,
                                 const std::function<void()>& whileWaiting) {
    SignerOutcome outcome;
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return outcome;
    }
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    pid_t pid = -1;
    const int failed = spawn(pid, program, arguments, writeEnd.get());
    // Only the signer may hold the write end, or the pipe would never end.
    writeEnd.close();
    if (failed != 0) {
        return outcome;
    }

    bool reaped = false;
    // Should a callback throw, the signer is not left running or unreaped.
    const auto reap = qScopeGuard([&reaped, pid] {
        if (!reaped) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    });
    ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
    const Descriptor exitNotice(openPidDescriptor(pid));
    bool pipeOpen = true;
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        int status = 0;
        const pid_t waited = ::waitpid(pid, &status, WNOHANG);
        if (waited == pid) {
            reaped = true;
            recordEnding(status, outcome);
            break;
        }
        if (waited < 0 && errno != EINTR) {
            // Reaped elsewhere (SIGCHLD ignored): it ran, its status is lost.
            reaped = true;
            outcome.ending = SignerOutcome::Ending::Exited;
            break;
        }
        if (slice.elapsed() >= kSignerWaitSliceMs) {
            if (whileWaiting) {
                whileWaiting();
            }
            slice.restart();
        }
        std::array<pollfd, 2> watched{pollfd{exitNotice.get(), POLLIN, 0},
                                      pollfd{pipeOpen ? readEnd.get() : -1, POLLIN, 0}};
        auto timeout = static_cast<int>(kSignerWaitSliceMs - slice.elapsed());
        if (exitNotice.get() < 0) {
            timeout = std::min(timeout, kExitCheckMs);
        }
        if (::poll(watched.data(), watched.size(), std::max(timeout, 0)) > 0 &&
            watched[1].revents != 0) {
            pipeOpen = drain(readEnd.get(), outcome.outputTail);
        }
    }
    // What the signer wrote before it ended; a process it left behind may
    // still hold the pipe, so this takes what is there and does not wait.
    if (pipeOpen) {
        (void)drain(readEnd.get(), outcome.outputTail);
    }
    return outcome;
}

}  // namespace sealmill
