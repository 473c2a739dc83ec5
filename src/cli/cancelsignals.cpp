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

}  // namespace cancelsignals
