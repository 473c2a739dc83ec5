// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/gpgprocess.h"

#include "core/platform/systemencoding.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <array>
#include <cerrno>
#include <csignal>
#include <optional>
#include <thread>
#include <vector>

extern char** environ;  // NOLINT: the process environment, as POSIX declares it

namespace sealmill {

namespace {

// How often a wait looks at the stop flag and the clock.
constexpr int kPollMs = 50;
constexpr auto kReapPoll = std::chrono::milliseconds(10);
constexpr int kReadsPerTurn = 16;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { close(); }
    Q_DISABLE_COPY_MOVE(Descriptor)
    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

struct Pipe {
    Descriptor read;
    Descriptor write;
    bool open() {
        std::array<int, 2> ends{};
        if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
            return false;
        }
        read.reset(ends[0]);
        write.reset(ends[1]);
        return true;
    }
};

void setNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

pid_t spawnGpg(const QString& program, const QStringList& arguments, Pipe& in, Pipe& out,
               Pipe& err) {
    posix_spawn_file_actions_t files{};
    posix_spawnattr_t attributes{};
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawnattr_init(&attributes);
    ::posix_spawn_file_actions_adddup2(&files, in.read.get(), STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&files, out.write.get(), STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&files, err.write.get(), STDERR_FILENO);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
    QList<QByteArray> encoded{encodeLocal(program)};
    for (const QString& argument : arguments) {
        encoded << encodeLocal(argument);
    }
    std::vector<char*> argv;
    for (QByteArray& argument : encoded) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv.front(), &files, &attributes, argv.data(), environ) != 0) {
        pid = -1;
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&files);
    return pid;
}

std::optional<int> reaped(pid_t pid) {
    int status = 0;
    pid_t waited = -1;
    do {
        waited = ::waitpid(pid, &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) {
        return std::nullopt;
    }
    return waited < 0 ? 0 : status;
}

// SIGTERM to the group, SIGKILL if it is still there after the grace.
int endGroup(pid_t pid) {
    ::kill(-pid, SIGTERM);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kGpgStopGrace.count()) {
        if (const std::optional<int> status = reaped(pid)) {
            return *status;
        }
        std::this_thread::sleep_for(kReapPoll);
    }
    ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// A gpg that ends before it has read all its input must not take this
// process with it: while this is alive, a write to its closed pipe fails
// with EPIPE and the SIGPIPE it raises for this thread is taken back.
class PipeSignalHeld {
public:
    PipeSignalHeld() {
        sigemptyset(&pipeSignal_);
        sigaddset(&pipeSignal_, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &pipeSignal_, &previous_);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
    }
    ~PipeSignalHeld() {
        if (!wasPending_) {
            const timespec now{};
            (void)::sigtimedwait(&pipeSignal_, nullptr, &now);
        }
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    Q_DISABLE_COPY_MOVE(PipeSignalHeld)

private:
    sigset_t pipeSignal_{};
    sigset_t previous_{};
    bool wasPending_ = false;
};

void keepTail(QByteArray& tail, QByteArrayView more) {
    tail.append(more);
    if (tail.size() > kGpgSaidBytes) {
        tail.remove(0, tail.size() - kGpgSaidBytes);
    }
}

}  // namespace

GpgCall callGpg(const QString& program, const QStringList& arguments, QByteArrayView input,
                SecretBytes& output, const GpgBounds& bounds) {
    GpgCall call;
    Pipe in;
    Pipe out;
    Pipe err;
    if (!in.open() || !out.open() || !err.open()) {
        return call;
    }
    const pid_t pid = spawnGpg(program, arguments, in, out, err);
    in.read.close();
    out.write.close();
    err.write.close();
    if (pid < 0) {
        return call;
    }
    for (const Descriptor* end : {&in.write, &out.read, &err.read}) {
        setNonBlocking(end->get());
    }
    const PipeSignalHeld pipeSignalHeld;
    qsizetype written = 0;
    if (input.isEmpty()) {
        in.write.close();
    }
    const auto outOfTime = [&bounds](const QElapsedTimer& clock) {
        return bounds.time.count() > 0 && clock.elapsed() > bounds.time.count();
    };
    const auto stopped = [&bounds] { return bounds.stop != nullptr && bounds.stop->load(); };
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): read() fills it
    std::array<char, 65536> buffer;
    QElapsedTimer clock;
    clock.start();
    std::optional<int> status;
    std::optional<GpgCall::Ending> cut;
    while (!status && !cut) {
        if (stopped()) {
            cut = GpgCall::Ending::Stopped;
            break;
        }
        if (outOfTime(clock)) {
            cut = GpgCall::Ending::TimedOut;
            break;
        }
        std::array<pollfd, 3> polled{};
        nfds_t count = 0;
        for (const Descriptor* end : {&out.read, &err.read}) {
            if (end->isOpen()) {
                polled.at(count++) = {end->get(), POLLIN, 0};
            }
        }
        if (in.write.isOpen()) {
            polled.at(count++) = {in.write.get(), POLLOUT, 0};
        }
        if (count > 0 && ::poll(polled.data(), count, kPollMs) > 0 && in.write.isOpen()) {
            const ssize_t sent = ::write(in.write.get(), input.data() + written,
                                         static_cast<size_t>(input.size() - written));
            if (sent > 0) {
                written += sent;
            }
            if (written == input.size() || (sent < 0 && errno != EAGAIN && errno != EINTR)) {
                in.write.close();
            }
        } else if (count == 0) {
            std::this_thread::sleep_for(kReapPoll);
        }
        // Checked before reading, so what it wrote before its end is all read
        // below; a process it left behind may keep the pipes open.
        status = reaped(pid);
        for (Descriptor* end : {&out.read, &err.read}) {
            // A bounded number of reads, so that a flood cannot keep the stop
            // flag and the clock unread; more than a pipe holds once it ended.
            for (int reads = 0; end->isOpen() && reads < kReadsPerTurn; ++reads) {
                const ssize_t got = ::read(end->get(), buffer.data(), buffer.size());
                if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                    break;
                }
                if (got <= 0) {
                    end->close();
                } else if (end == &out.read) {
                    output.append(QByteArrayView(buffer.data(), got));
                } else {
                    keepTail(call.said, QByteArrayView(buffer.data(), got));
                }
                if (bounds.outputBytes > 0 && output.size() > bounds.outputBytes) {
                    break;
                }
            }
        }
        if (bounds.outputBytes > 0 && output.size() > bounds.outputBytes) {
            cut = GpgCall::Ending::TooMuchOutput;
        }
    }
    wipeMemory(buffer.data(), static_cast<qsizetype>(buffer.size()));
    if (cut) {
        (void)endGroup(pid);
        call.ending = *cut;
        return call;
    }
    if (WIFSIGNALED(*status)) {
        call.ending = GpgCall::Ending::Signalled;
    } else {
        call.ending = GpgCall::Ending::Exited;
        call.exitCode = WEXITSTATUS(*status);
    }
    return call;
}

}  // namespace sealmill
