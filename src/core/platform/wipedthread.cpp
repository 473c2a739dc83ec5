// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/wipedthread.h"

#include <sys/mman.h>
#include <unistd.h>
#include <csignal>
#include <system_error>

namespace sealmill {

namespace {

// As much as the C library gives a thread of its own; mapped without reserve,
// so only the pages a task touches cost memory.
constexpr size_t kStackBytes = size_t{8} * 1024 * 1024;

size_t pageSize() {
    return static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

WipedThread::~WipedThread() {
    finish();
}

void WipedThread::post(std::function<void()> task) {
    if (!isRunning()) {
        start();
    }
    const std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    wake_.notify_one();
}

void WipedThread::start() {
    void* stack = ::mmap(nullptr, kStackBytes, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK | MAP_NORESERVE, -1, 0);
    if (stack == MAP_FAILED) {
        throw std::system_error(errno, std::generic_category());
    }
    // A guard page below, as the C library's own stacks have.
    (void)::mprotect(stack, pageSize(), PROT_NONE);
    pthread_attr_t attributes;
    ::pthread_attr_init(&attributes);
    ::pthread_attr_setstack(&attributes, stack, kStackBytes);
    // The thread starts with the mask it inherits: all blocked.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    ending_ = false;
    const int failed = ::pthread_create(&thread_, &attributes, &WipedThread::run, this);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::pthread_attr_destroy(&attributes);
    if (failed != 0) {
        ::munmap(stack, kStackBytes);
        throw std::system_error(failed, std::generic_category());
    }
    stack_ = stack;
}

void* WipedThread::run(void* self) {
    auto& thread = *static_cast<WipedThread*>(self);
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(thread.mutex_);
            thread.wake_.wait(lock, [&thread] { return thread.ending_ || !thread.tasks_.empty(); });
            if (thread.tasks_.empty()) {
                return nullptr;
            }
            task = std::move(thread.tasks_.front());
            thread.tasks_.pop_front();
        }
        task();
    }
}

void WipedThread::finish() {
    if (!isRunning()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
        wake_.notify_one();
    }
    ::pthread_join(thread_, nullptr);
    ::munmap(stack_, kStackBytes);
    stack_ = nullptr;
}

}  // namespace sealmill
