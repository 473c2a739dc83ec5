#pragma once

#include <functional>

// SIGINT and SIGTERM cancel a run the way the window's Cancel button does: the
// signer that is running finishes, no further one starts.
//
// install() blocks both signals for this process before any thread exists; the
// signer inherits the blocked mask, so a Ctrl+C on the terminal, which reaches
// the whole process group, cannot kill it half-way. poll() collects a pending
// one without waiting.
namespace cancelsignals {

void install();
// The number of the first cancelling signal received so far, or 0.
[[nodiscard]] int poll();

// Runs `blockingCall` with the two signals let through to a handler that only
// records them, so a read waiting for the user returns at once on Ctrl+C.
void interruptible(const std::function<void()>& blockingCall);

}  // namespace cancelsignals
