// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Where posix_spawn is not at hand: the same promises through QProcess.
#include "signerprocess.h"

#include <QFile>
#include <QProcess>
#include <QTimer>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace sealmill {

// Children of the SignerProcess, let go with deleteLater(): the process ends
// inside one of their own signals.
struct SignerProcess::Running {
    QProcess* process = nullptr;
    QTimer* killTimer = nullptr;
    SignerOutcome outcome;

    Running() = default;
    Q_DISABLE_COPY_MOVE(Running)
    ~Running() {
        killTimer->stop();
        killTimer->deleteLater();
        process->deleteLater();
    }
};

SignerProcess::SignerProcess(QObject* parent) : QObject(parent) {
}

SignerProcess::~SignerProcess() {
    if (running_) {
        running_->process->kill();
        running_->process->waitForFinished(-1);
    }
}

bool SignerProcess::isRunning() const {
    return running_ != nullptr;
}

bool SignerProcess::start(const QByteArray& program, const QList<QByteArray>& arguments) {
    if (running_) {
        return false;
    }
    running_ = std::make_unique<Running>();
    running_->process = new QProcess(this);
    running_->killTimer = new QTimer(this);
    QProcess& process = *running_->process;
    process.setProgram(QFile::decodeName(program));
    QStringList decoded;
    for (const QByteArray& argument : arguments) {
        decoded << QString::fromUtf8(argument);
    }
    process.setArguments(decoded);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    process.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* args) { args->flags |= CREATE_NO_WINDOW; });
#endif
    connect(&process, &QProcess::readyRead, this, [this] {
        QByteArray& tail = running_->outcome.outputTail;
        tail += running_->process->readAll();
        tail.remove(0, std::max<qsizetype>(0, tail.size() - kSignerTailBytes));
    });
    connect(&process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        SignerOutcome outcome = std::move(running_->outcome);
        outcome.ending = status == QProcess::CrashExit ? SignerOutcome::Ending::Signalled
                                                       : SignerOutcome::Ending::Exited;
        outcome.exitCode = code;
        running_.reset();
        Q_EMIT finished(outcome);
    });
    running_->killTimer->setSingleShot(true);
    connect(running_->killTimer, &QTimer::timeout, &process, &QProcess::kill);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) {
        running_.reset();
        return false;
    }
    return true;
}

void SignerProcess::stop() {
    if (running_ && !running_->killTimer->isActive()) {
        running_->process->terminate();
        running_->killTimer->start(kStopGraceMs);
    }
}

}  // namespace sealmill
