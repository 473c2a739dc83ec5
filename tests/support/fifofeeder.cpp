#include "fifofeeder.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>

using namespace std::chrono_literals;

FifoFeeder::FifoFeeder(const QString& path, QByteArray bytes)
    : path_(QFile::encodeName(path)), bytes_(std::move(bytes)) {
    made_ = ::mkfifo(path_.constData(), 0600) == 0;
    if (made_) {
        thread_ = std::thread([this] { feedOrDrain(); });
    }
}

FifoFeeder::~FifoFeeder() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FifoFeeder::feedOrDrain() {
    // A reader that closes before the write would kill the whole test with SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const auto rescueAt = std::chrono::steady_clock::now() + 2s;
    while (!stop_) {
        // Opening for writing without waiting succeeds only once a reader is there.
        if (const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK); fd >= 0) {
            (void)::write(fd, bytes_.constData(), static_cast<size_t>(bytes_.size()));
            ::close(fd);
            return;
        }
        if (std::chrono::steady_clock::now() >= rescueAt) {
            drainWriter();
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
}

// Reads until the writer closes; with no writer there the first read ends it.
void FifoFeeder::drainWriter() {
    const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return;
    }
    char buffer[4096];  // NOLINT: a plain read buffer
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            continue;
        }
        if (got < 0 && errno == EAGAIN && !stop_) {
            std::this_thread::sleep_for(10ms);
            continue;
        }
        break;
    }
    ::close(fd);
}
