#include "pressjob.h"

#include "outputfolder.h"
#include "outputpath.h"
#include "pathrules.h"
#include "presssettings.h"
#include "progress.h"
#include "publicationbatch.h"
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
void createFile(const OutputFolder& folder, const QString& name,
                const QList<QByteArrayView>& pieces, QString& details) {
    if (folder.isNameTaken(name)) {
        details = kLeftoverExplained;
    }
    folder.writeNewFile(name, pieces);
}

const QString kNotAtomic = QStringLiteral(
    "This file system cannot publish atomically: each copy was written under its output name "
    "as a new file, so a crash while one is written can leave part of it there.");

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
    batch_.reset();
    if (folder_) {
        folder_->remove(workName_);
        folder_->remove(signedName_);
        folder_->remove(snapshotPath({}));
    }
    folder_.reset();
    workName_.clear();
    signedName_.clear();
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
    signer_ = &signer;
    pressed_ = 0;
    cancelRequested_ = false;
    stopRequested_ = false;
    workName_.clear();
    signedName_.clear();
    // The snapshot is never read: it only keeps a second run out of this
    // directory while this one works in it.
    QString details;
    try {
        folder_ = std::make_unique<OutputFolder>(outputDirectory(dirText));
        batch_ = std::make_unique<PublicationBatch>(*folder_);
        const QByteArray bytes = copies_->templateBytes();
        createFile(*folder_, snapshotPath({}), {QByteArrayView(bytes)}, details);
    } catch (const SealmillError& error) {
        batch_.reset();
        folder_.reset();
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
    outputName_ = outputFilePath({}, settings_.namePattern(), serial_);
    // The system ends a name at a NUL: the output would land under another one.
    if (outputName_.contains(QChar::Null)) {
        finish(PressResult::FileFailed,
               QStringLiteral("Cannot create file %1").arg(folder_->pathOf(outputName_)));
        return;
    }
    try {
        folder_->checkInPlace();
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), error.details());
        return;
    }
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to replace. A link counts, dangling or not.
    if (folder_->isNameTaken(outputName_)) {
        finish(PressResult::OutputExists, alreadyExistsMessage(folder_->pathOf(outputName_)));
        return;
    }
    if (cancelRequested_) {
        finish(PressResult::Cancelled);
        return;
    }

    SigningTask task;
    task.serial = serial_;
    const QString signedName = signedFilePath({}, serial_);
    // A signer program opens its files by their paths.
    task.signedFile = folder_->pathOf(signedName);
    task.program = settings_.signerPath();
    task.keyId = settings_.keyId();
    task.passPhrase = settings_.passPhrase();
    QString details;
    try {
        // The signer creates this name itself, so it must be free first.
        if (folder_->isNameTaken(signedName)) {
            details = kLeftoverExplained;
            throw SealmillError(QStringLiteral("Cannot create file %1").arg(task.signedFile));
        }
        if (signer_->readsWorkFile()) {
            const QString workName = workFilePath({}, serial_);
            task.workFile = folder_->pathOf(workName);
            createFile(*folder_, workName, copies_->pieces(serial_), details);
            workName_ = workName;
        } else {
            task.copy = copies_->copy(serial_);
        }
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    signedName_ = signedName;
    signing_ = true;
    batch_->signingStarts();
    signer_->sign(task);
}

void PressJob::onSigned(const SignerError& error, const QByteArray& signedCopy) {
    signing_ = false;
    folder_->remove(workName_);
    workName_.clear();
    if (stopRequested_) {
        finish(PressResult::Stopped);
        return;
    }
    // A signer program finds no folder at its paths once it moved.
    try {
        folder_->checkInPlace();
    } catch (const SealmillError& failure) {
        finish(PressResult::FileFailed, failure.message(), failure.details());
        return;
    }
    if (error.failed()) {
        finish(PressResult::SignerFailed, error.message, error.details);
        return;
    }
    // A copy signed in memory is written here, through the open folder; a
    // signer program's is judged there.
    OpenFile file;
    try {
        file = signedCopy.isEmpty() ? folder_->openSignedCopy(signedName_)
                                    : folder_->writeSignedCopy(signedName_, signedCopy);
    } catch (const SealmillError& failure) {
        finish(PressResult::FileFailed, failure.message(), failure.details());
        return;
    }
    if (!file.isOpen()) {
        finish(PressResult::SignerFailed, missingOutputMessage(folder_->pathOf(outputName_)),
               error.details);
        return;
    }
    batch_->add(serial_, signedName_, outputName_, std::move(file));
    signedName_.clear();
    ++serial_;
    if (batch_->isDue() && !publishBatch()) {
        return;
    }
    // No detour through the event loop is needed for the user to be heard:
    // this thread waits in it for as long as any signature takes.
    pressNext();
}

// False when the run ended.
bool PressJob::publishBatch() {
    const PublicationBatch::Ending ending = batch_->publish();
    pressed_ += ending.published.size();
    for (const qint64 serial : ending.published) {
        if (!reportProgress(serial)) {
            finish(PressResult::RangeLost);
            return false;
        }
    }
    if (!ending.takenName.isEmpty()) {
        finish(PressResult::OutputExists, alreadyExistsMessage(folder_->pathOf(ending.takenName)));
        return false;
    }
    if (ending.failure) {
        finish(PressResult::FileFailed, ending.failure->message(), ending.failure->details());
        return false;
    }
    return true;
}

bool PressJob::reportProgress(qint64 serial) {
    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    if (!from || !to) {
        return false;
    }
    const qint64 total = qint64{*to} - *from + 1;
    if (total <= 0) {
        return false;
    }
    const qint64 done = serial - *from + 1;
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
    QString text = message;
    QString more = details;
    // What was signed before the end is published, unless publishing is what failed.
    if (batch_ && !batch_->isEmpty()) {
        const PublicationBatch::Ending ending = batch_->publish();
        pressed_ += ending.published.size();
        for (const qint64 serial : ending.published) {
            (void)reportProgress(serial);
        }
        const bool endedWell = result == PressResult::Succeeded ||
                               result == PressResult::Cancelled || result == PressResult::Stopped;
        if (endedWell && !ending.takenName.isEmpty()) {
            result = PressResult::OutputExists;
            text = alreadyExistsMessage(folder_->pathOf(ending.takenName));
        } else if (endedWell && ending.failure) {
            result = PressResult::FileFailed;
            text = ending.failure->message();
            more = ending.failure->details();
        }
    }
    if (folder_ && !folder_->publishesAtomically()) {
        more += (more.isEmpty() ? QString() : QStringLiteral("\n")) + kNotAtomic;
    }
    endRun();
    if (result == PressResult::Succeeded && cancelRequested_) {
        result = PressResult::Cancelled;
    }
    Q_EMIT finished({result, text, more, pressed_});
}

}  // namespace sealmill
