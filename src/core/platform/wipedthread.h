// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <pthread.h>
#include <QtGlobal>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace sealmill {

// A thread of its own that runs the tasks posted to it one at a time, in
// order, with every signal blocked (they go to another thread). Its stack is
// memory this object maps and unmaps itself: once finish() has ended the
// thread nothing a task left on its stack remains in the process. The C
// library keeps the stacks of the threads it makes for reuse, unwiped.
class WipedThread {
public:
    WipedThread() = default;
    ~WipedThread();  // finish()
    Q_DISABLE_COPY_MOVE(WipedThread)

    // Starts the thread unless it runs. Throws std::system_error when no
    // thread can be made.
    void post(std::function<void()> task);

    // Lets the posted tasks run, ends the thread and unmaps its stack. Waits.
    void finish();

    [[nodiscard]] bool isRunning() const { return stack_ != nullptr; }

private:
    static void* run(void* self);
    void start();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    pthread_t thread_{};
    void* stack_ = nullptr;
};

}  // namespace sealmill
