#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

// A FIFO at `path` that lets go of whoever waits on it while this lives: a
// reader is fed `bytes`, a writer stuck for two seconds gets a reader. Code
// that waits on a FIFO then fails its test instead of hanging it.
class FifoFeeder {
public:
    FifoFeeder(const QString& path, QByteArray bytes);
    ~FifoFeeder();
    FifoFeeder(const FifoFeeder&) = delete;
    FifoFeeder& operator=(const FifoFeeder&) = delete;
    FifoFeeder(FifoFeeder&&) = delete;
    FifoFeeder& operator=(FifoFeeder&&) = delete;

    [[nodiscard]] bool made() const { return made_; }

private:
    void feedOrDrain();
    void drainWriter();

    QByteArray path_;
    QByteArray bytes_;
    bool made_ = false;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};
