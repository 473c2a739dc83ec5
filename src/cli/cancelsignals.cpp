#include "cancelsignals.h"

#include <QtGlobal>
#include <atomic>
#include <csignal>

#ifndef Q_OS_WIN
#include <ctime>
#endif

namespace cancelsignals {

namespace {
std::atomic<int> received{0};

#ifdef Q_OS_WIN
extern "C" void onSignal(int signal) {
    int none = 0;
    received.compare_exchange_strong(none, signal);
    std::signal(signal, onSignal);
}
#else
extern "C" void recordSignal(int signal) {
    int none = 0;
    received.compare_exchange_strong(none, signal);
}

sigset_t cancelling() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}
#endif
}  // namespace

void install() {
#ifdef Q_OS_WIN
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#else
    const sigset_t set = cancelling();
    sigprocmask(SIG_BLOCK, &set, nullptr);
#endif
}

int poll() {
#ifndef Q_OS_WIN
    const sigset_t set = cancelling();
    const timespec now{0, 0};
    for (;;) {
        const int signal = sigtimedwait(&set, nullptr, &now);
        if (signal <= 0) {
            break;
        }
        int none = 0;
        received.compare_exchange_strong(none, signal);
    }
#endif
    return received.load();
}

void interruptible(const std::function<void()>& blockingCall) {
#ifdef Q_OS_WIN
    blockingCall();
#else
    struct sigaction record {};
    record.sa_handler = recordSignal;
    sigemptyset(&record.sa_mask);
    record.sa_flags = 0;  // no SA_RESTART: the read must end
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    sigaction(SIGINT, &record, &oldInt);
    sigaction(SIGTERM, &record, &oldTerm);
    const sigset_t set = cancelling();
    sigset_t oldMask;
    sigprocmask(SIG_UNBLOCK, &set, &oldMask);
    blockingCall();
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
#endif
}

}  // namespace cancelsignals
