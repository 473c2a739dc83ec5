#include "signerprocess.h"

#include "childprocess.h"

#include <sys/wait.h>

namespace sealmill {

namespace {

void recordEnding(std::optional<int> status, SignerOutcome& outcome) {
    outcome.ending = SignerOutcome::Ending::Exited;
    if (!status) {
        return;  // reaped elsewhere (SIGCHLD ignored): it ran, its status is lost
    }
    if (WIFSIGNALED(*status)) {
        outcome.ending = SignerOutcome::Ending::Signalled;
        outcome.exitCode = WTERMSIG(*status);
    } else {
        outcome.exitCode = WEXITSTATUS(*status);
    }
}

}  // namespace

SignerOutcome runSignerWithSpawn(const QString& program, const QStringList& arguments,
                                 const std::function<void()>& whileWaiting) {
    SignerOutcome outcome;
    FileDescriptor readEnd;
    FileDescriptor writeEnd;
    if (!openPipe(readEnd, writeEnd)) {
        return outcome;
    }
    pid_t pid = -1;
    const int failed = spawnChild(pid, program, arguments, -1, writeEnd.get(), writeEnd.get());
    // Only the signer may hold the write end, or the pipe would never end.
    writeEnd.close();
    if (failed != 0) {
        return outcome;
    }
    const ChildPipe output{readEnd.get(), [&outcome](QByteArrayView piece) {
                               keepSignerTail(outcome.outputTail, piece);
                           }};
    recordEnding(waitForChild(pid, {output}, kSignerWaitSliceMs, whileWaiting), outcome);
    return outcome;
}

}  // namespace sealmill
