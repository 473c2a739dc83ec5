#include "signerprocess.h"

#include <QProcess>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace sealmill {

void keepSignerTail(QByteArray& tail, QByteArrayView more) {
    if (more.size() >= kSignerTailBytes) {
        tail = more.last(kSignerTailBytes).toByteArray();
        return;
    }
    tail.append(more);
    if (tail.size() > kSignerTailBytes) {
        tail.remove(0, tail.size() - kSignerTailBytes);
    }
}

SignerOutcome runSignerWithQProcess(const QString& program, const QStringList& arguments,
                                    const std::function<void()>& whileWaiting) {
    SignerOutcome outcome;
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NO_WINDOW; });
#endif
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        return outcome;
    }
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForFinished(kSignerWaitSliceMs)) {
            break;
        }
        keepSignerTail(outcome.outputTail, process.readAll());
        if (whileWaiting) {
            whileWaiting();
        }
    }
    keepSignerTail(outcome.outputTail, process.readAll());
    if (process.exitStatus() == QProcess::CrashExit) {
        // On POSIX QProcess reports the signal number as the exit code here.
        outcome.ending = SignerOutcome::Ending::Signalled;
    } else {
        outcome.ending = SignerOutcome::Ending::Exited;
    }
    outcome.exitCode = process.exitCode();
    return outcome;
}

}  // namespace sealmill
