#include "childprocess.h"

#include "secretbytes.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <vector>

extern char** environ;  // NOLINT: the process environment, as POSIX declares it

namespace sealmill {

namespace {

constexpr int kFirstFreeDescriptor = 3;

// Without a pidfd the end of a child shows only through waitpid, so the wait
// looks this often.
constexpr int kExitCheckMs = 2;

struct SpawnActions {
    posix_spawn_file_actions_t files{};
    posix_spawnattr_t attributes{};
    SpawnActions() {
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnActions() {
        ::posix_spawnattr_destroy(&attributes);
        ::posix_spawn_file_actions_destroy(&files);
    }
    Q_DISABLE_COPY_MOVE(SpawnActions)
};

// A descriptor at 0 to 2 moved above them, still close-on-exec.
int aboveStandard(int fd) {
    if (fd < 0 || fd >= kFirstFreeDescriptor) {
        return fd;
    }
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kFirstFreeDescriptor);
    ::close(fd);
    return moved;
}

// A descriptor that becomes readable when the child ends, without touching
// SIGCHLD, which QProcess owns; -1 where the kernel has none.
int openPidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void killAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Takes whatever the pipe holds now; false once every writer has closed it.
bool drain(const ChildPipe& pipe) {
    std::array<char, 16384> buffer{};
    const auto wipe = qScopeGuard([&buffer] { wipeMemory(buffer.data(), buffer.size()); });
    for (;;) {
        const ssize_t got = ::read(pipe.fd, buffer.data(), buffer.size());
        if (got > 0) {
            pipe.take(QByteArrayView(buffer.data(), got));
        } else if (got == 0) {
            return false;
        } else if (errno != EINTR) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
    }
}

}  // namespace

void FileDescriptor::reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

bool openPipe(FileDescriptor& readEnd, FileDescriptor& writeEnd) {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
        return false;
    }
    readEnd.reset(aboveStandard(ends[0]));
    writeEnd.reset(aboveStandard(ends[1]));
    return readEnd.get() >= 0 && writeEnd.get() >= 0;
}

int spawnChild(pid_t& pid, const QString& program, const QStringList& arguments, int input,
               int output, int errors) {
    SpawnActions actions;
    const std::array<int, 3> sources{input, output, errors};
    for (int target = 0; target < 3; ++target) {
        const int source = sources.at(target);
        if (source >= 0) {
            ::posix_spawn_file_actions_adddup2(&actions.files, source, target);
        } else {
            ::posix_spawn_file_actions_addopen(&actions.files, target, "/dev/null",
                                               target == 0 ? O_RDONLY : O_WRONLY, 0);
        }
    }
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

std::optional<int> waitForChild(pid_t pid, const QList<ChildPipe>& pipes, int sliceMs,
                                const std::function<void()>& whileWaiting) {
    bool reaped = false;
    const auto reap = qScopeGuard([&reaped, pid] {
        if (!reaped) {
            killAndReap(pid);
        }
    });
    std::vector<bool> open(static_cast<size_t>(pipes.size()), true);
    for (const ChildPipe& pipe : pipes) {
        ::fcntl(pipe.fd, F_SETFL, O_NONBLOCK);
    }
    const FileDescriptor exitNotice(openPidDescriptor(pid));
    std::optional<int> status;
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        int waitStatus = 0;
        const pid_t waited = ::waitpid(pid, &waitStatus, WNOHANG);
        if (waited == pid) {
            status = waitStatus;
            break;
        }
        if (waited < 0 && errno != EINTR) {
            break;
        }
        if (slice.elapsed() >= sliceMs) {
            if (whileWaiting) {
                whileWaiting();
            }
            slice.restart();
        }
        std::vector<pollfd> watched{pollfd{exitNotice.get(), POLLIN, 0}};
        for (qsizetype i = 0; i < pipes.size(); ++i) {
            watched.push_back(pollfd{open[i] ? pipes[i].fd : -1, POLLIN, 0});
        }
        auto timeout = static_cast<int>(sliceMs - slice.elapsed());
        if (exitNotice.get() < 0) {
            timeout = std::min(timeout, kExitCheckMs);
        }
        if (::poll(watched.data(), watched.size(), std::max(timeout, 0)) <= 0) {
            continue;
        }
        for (qsizetype i = 0; i < pipes.size(); ++i) {
            if (watched[i + 1].revents != 0) {
                open[i] = drain(pipes[i]);
            }
        }
    }
    reaped = true;
    for (qsizetype i = 0; i < pipes.size(); ++i) {
        if (open[i]) {
            (void)drain(pipes[i]);
        }
    }
    return status;
}

}  // namespace sealmill
