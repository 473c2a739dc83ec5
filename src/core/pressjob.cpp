// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pressjob.h"

#include "outputfiles.h"
#include "outputpath.h"
#include "pathrules.h"
#include "presssettings.h"
#include "progress.h"
#include "sealmillerror.h"
#include "serialfield.h"

#include <algorithm>

namespace sealmill {

namespace {

QString alreadyExistsMessage(const QString& output) {
    return output + QStringLiteral(" already exists!\rOverwrite not supported");
}

// A signer may report success without signing anything (pgpgpg in some
// set-ups, or a shell's 127 for "command not found").
QString missingOutputMessage(const QString& output) {
    return QStringLiteral(
               "%1 was not written!\rThe signer reported success but left no signed copy")
        .arg(output);
}

// Why a temporary name can be taken when a run begins.
const QString kLeftoverExplained = QStringLiteral(
    "Another press run is using this folder, or an earlier one was killed before it could "
    "clean up. Remove the file if no run is going on.");

// "Cannot create file <path>", with the reason when something is already there.
void createFile(const QString& path, const QList<QByteArrayView>& pieces, QString& details) {
    if (isNameTaken(path)) {
        details = kLeftoverExplained;
    }
    writeNewFile(path, pieces);
}

}  // namespace

PressJob::PressJob(const PressSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {
}

PressJob::~PressJob() {
    if (isRunning()) {
        signer_->stop();
        endRun();
    }
}

// Nothing of the run stays behind but the outputs it published.
void PressJob::endRun() {
    disconnect(preparedConnection_);
    disconnect(signedConnection_);
    removeFile(workFile_);
    removeFile(signedFile_);
    removeFile(snapshotPath(outputDir_));
    workFile_.clear();
    signedFile_.clear();
    signer_->release();
    signer_ = nullptr;
    copies_.reset();
}

void PressJob::start(const TemplateFileText& templateText, Signer& signer) {
    if (isRunning()) {
        return;
    }
    const QString dirText = settings_.outputDirectoryText();
    if (directoryLimit_ > 0 && dirText.size() > directoryLimit_) {
        Q_EMIT finished({PressResult::Refused, QString(kOutputPathTooLong), {}, 0});
        return;
    }
    if (dirText.isEmpty() || !signer.canStart(settings_)) {
        Q_EMIT finished({PressResult::Refused, {}, {}, 0});
        return;
    }

    try {
        copies_.emplace(templateText);
    } catch (const SealmillError& error) {
        Q_EMIT finished({PressResult::Refused, error.message(), {}, 0});
        return;
    }
    outputDir_ = outputDirectory(dirText);
    signer_ = &signer;
    pressed_ = 0;
    cancelRequested_ = false;
    stopRequested_ = false;
    workFile_.clear();
    signedFile_.clear();
    // The snapshot is never read: it only keeps a second run out of this
    // directory while this one works in it.
    QString details;
    try {
        const QByteArray bytes = copies_->templateBytes();
        createFile(snapshotPath(outputDir_), {QByteArrayView(bytes)}, details);
    } catch (const SealmillError& error) {
        signer_ = nullptr;
        copies_.reset();
        Q_EMIT finished({PressResult::FileFailed, error.message(), details + error.details(), 0});
        return;
    }
    Q_EMIT started();

    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    if (!from || !to) {
        finish(PressResult::RangeLost);
        return;
    }
    serial_ = *from;
    last_ = *to;
    if (serial_ > last_) {
        finish(PressResult::Succeeded);
        return;
    }
    preparedConnection_ = connect(signer_, &Signer::prepared, this, &PressJob::onPrepared);
    signer_->prepare(settings_);
}

void PressJob::onPrepared(const SignerError& error) {
    disconnect(preparedConnection_);
    if (stopRequested_) {
        finish(PressResult::Stopped);
    } else if (error.failed()) {
        finish(PressResult::SignerFailed, error.message, error.details);
    } else {
        signedConnection_ = connect(signer_, &Signer::signingEnded, this, &PressJob::onSigned);
        pressNext();
    }
}

void PressJob::pressNext() {
    if (!isRunning()) {
        return;
    }
    if (serial_ > last_) {
        finish(PressResult::Succeeded);
        return;
    }
    outputFile_ = outputFilePath(outputDir_, settings_.namePattern(), serial_);
    // The system ends a name at a NUL: the output would land under another one.
    if (outputFile_.contains(QChar::Null)) {
        finish(PressResult::FileFailed, QStringLiteral("Cannot create file %1").arg(outputFile_));
        return;
    }
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to replace. A link counts, dangling or not.
    if (isNameTaken(outputFile_)) {
        finish(PressResult::OutputExists, alreadyExistsMessage(outputFile_));
        return;
    }
    if (cancelRequested_) {
        finish(PressResult::Cancelled);
        return;
    }

    SigningTask task;
    task.serial = serial_;
    task.signedFile = signedFilePath(outputDir_, serial_);
    task.program = settings_.signerPath();
    task.keyId = settings_.keyId();
    task.passPhrase = settings_.passPhrase();
    QString details;
    try {
        // The signer creates this name itself, so it must be free first.
        if (isNameTaken(task.signedFile)) {
            details = kLeftoverExplained;
            throw SealmillError(QStringLiteral("Cannot create file %1").arg(task.signedFile));
        }
        if (signer_->readsWorkFile()) {
            task.workFile = workFilePath(outputDir_, serial_);
            createFile(task.workFile, copies_->pieces(serial_), details);
            workFile_ = task.workFile;
        } else {
            task.copy = copies_->copy(serial_);
        }
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    signedFile_ = task.signedFile;
    signing_ = true;
    signer_->sign(task);
}

void PressJob::onSigned(const SignerError& error) {
    signing_ = false;
    removeFile(workFile_);
    workFile_.clear();
    if (stopRequested_) {
        finish(PressResult::Stopped);
        return;
    }
    if (error.failed()) {
        finish(PressResult::SignerFailed, error.message, error.details);
        return;
    }
    if (plainFileSize(signedFile_) <= 0) {
        finish(PressResult::SignerFailed, missingOutputMessage(outputFile_), error.details);
        return;
    }
    switch (publishNoReplace(signedFile_, outputFile_)) {
        case Publication::Published:
            signedFile_.clear();
            break;
        case Publication::NameTaken:
            finish(PressResult::OutputExists, alreadyExistsMessage(outputFile_));
            return;
        case Publication::Failed:
            finish(PressResult::FileFailed,
                   QStringLiteral("Cannot create file %1").arg(outputFile_));
            return;
    }
    ++pressed_;
    if (!reportProgress()) {
        finish(PressResult::RangeLost);
        return;
    }
    ++serial_;
    // No detour through the event loop is needed for the user to be heard:
    // this thread waits in it for as long as any signature takes.
    pressNext();
}

bool PressJob::reportProgress() {
    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    if (!from || !to) {
        return false;
    }
    const qint64 total = qint64{*to} - *from + 1;
    if (total <= 0) {
        return false;
    }
    const qint64 done = serial_ - *from + 1;
    const auto position = std::clamp<qint64>(progressPosition(done, total), 0, 100);
    Q_EMIT progressed(static_cast<int>(position), progressStatus(done, total));
    return true;
}

void PressJob::cancel() {
    if (!isRunning()) {
        return;
    }
    if (!cancelRequested_) {
        cancelRequested_ = true;
        if (signing_) {
            Q_EMIT cancelling(serial_);
        }
        return;
    }
    stop();
}

void PressJob::stop() {
    if (isRunning() && !stopRequested_) {
        cancelRequested_ = true;
        stopRequested_ = true;
        signer_->stop();
    }
}

void PressJob::finish(PressResult result, const QString& message, const QString& details) {
    endRun();
    if (result == PressResult::Succeeded && cancelRequested_) {
        result = PressResult::Cancelled;
    }
    Q_EMIT finished({result, message, details, pressed_});
}

}  // namespace sealmill
