#include "pressjob.h"

#include "numberedcopies.h"
#include "outputfiles.h"
#include "outputpath.h"
#include "pathrules.h"
#include "presssettings.h"
#include "progress.h"
#include "sealmillerror.h"
#include "serialfield.h"

#include <algorithm>
#include <optional>

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

// One run, from start() to finished(): a new run starts from a new one.
struct PressJob::Run {
    Run(const TemplateFileText& text, Signer& runSigner) : templateText(text), signer(runSigner) {}

    TemplateFileText templateText;  // until the copies are made from it
    Signer& signer;
    std::optional<NumberedCopies> copies;
    QString outputDir;
    bool holdsSnapshot = false;  // the snapshot is this run's to remove
    qint64 serial = 0;
    qint64 last = 0;
    qint64 pressed = 0;
    QString workFile;    // of the number being signed, when the signer reads one
    QString signedFile;  // where the signer puts that number's signed copy
    QString outputFile;
    bool signing = false;
    bool cancelRequested = false;
    bool stopRequested = false;
    QMetaObject::Connection preparedConnection;
    QMetaObject::Connection signedConnection;
};

PressJob::PressJob(const PressSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings) {
}

PressJob::~PressJob() {
    if (isRunning()) {
        run_->signer.stop();
        endRun();
    }
}

// Nothing of the run stays behind but the outputs it published.
void PressJob::endRun() {
    const std::unique_ptr<Run> run = std::move(run_);
    disconnect(run->preparedConnection);
    disconnect(run->signedConnection);
    removeFile(run->workFile);
    removeFile(run->signedFile);
    if (run->holdsSnapshot) {
        removeFile(snapshotPath(run->outputDir));
    }
    run->signer.release();
}

void PressJob::start(const TemplateFileText& templateText, Signer& signer) {
    if (isRunning()) {
        return;
    }
    run_ = std::make_unique<Run>(templateText, signer);
    QMetaObject::invokeMethod(this, &PressJob::begin, Qt::QueuedConnection);
}

void PressJob::begin() {
    if (!isRunning() || run_->stopRequested) {
        if (isRunning()) {
            finish(PressResult::Stopped);
        }
        return;
    }
    Run& run = *run_;
    const QString dirText = settings_.outputDirectoryText();
    if (directoryLimit_ > 0 && dirText.size() > directoryLimit_) {
        finish(PressResult::Refused, QString(kOutputPathTooLong));
        return;
    }
    if (dirText.isEmpty() || !run.signer.canStart(settings_)) {
        finish(PressResult::Refused);
        return;
    }
    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    try {
        run.copies.emplace(run.templateText);
        run.templateText = {};
        if (from && to && *from <= *to) {
            run.copies->checkLineLengths(*to);
        }
    } catch (const SealmillError& error) {
        finish(PressResult::Refused, error.message(), error.details());
        return;
    }
    run.outputDir = outputDirectory(dirText);
    // The snapshot is never read: it only keeps a second run out of this
    // directory while this one works in it.
    QString details;
    try {
        const QByteArray bytes = run.copies->templateBytes();
        createFile(snapshotPath(run.outputDir), {QByteArrayView(bytes)}, details);
        run.holdsSnapshot = true;
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    Q_EMIT started();
    if (run.copies->convertsFromUtf16()) {
        Q_EMIT noted(kSignedAsUtf8);
    }

    if (!from || !to) {
        finish(PressResult::RangeLost);
        return;
    }
    run.serial = *from;
    run.last = *to;
    if (run.serial > run.last) {
        finish(PressResult::Succeeded);
        return;
    }
    run.preparedConnection = connect(&run.signer, &Signer::prepared, this, &PressJob::onPrepared);
    run.signer.prepare(settings_);
}

void PressJob::onPrepared(const SignerError& error) {
    Run& run = *run_;
    disconnect(run.preparedConnection);
    if (run.stopRequested) {
        finish(PressResult::Stopped);
    } else if (error.failed()) {
        finish(PressResult::SignerFailed, error.message, error.details);
    } else {
        run.signedConnection =
            connect(&run.signer, &Signer::signingEnded, this, &PressJob::onSigned);
        pressNext();
    }
}

void PressJob::pressNext() {
    if (!isRunning()) {
        return;
    }
    Run& run = *run_;
    if (run.serial > run.last) {
        finish(PressResult::Succeeded);
        return;
    }
    run.outputFile = outputFilePath(run.outputDir, settings_.namePattern(), run.serial);
    // The system ends a name at a NUL: the output would land under another one.
    if (run.outputFile.contains(QChar::Null)) {
        finish(PressResult::FileFailed,
               QStringLiteral("Cannot create file %1").arg(run.outputFile));
        return;
    }
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to replace. A link counts, dangling or not.
    if (isNameTaken(run.outputFile)) {
        finish(PressResult::OutputExists, alreadyExistsMessage(run.outputFile));
        return;
    }
    if (run.cancelRequested) {
        finish(PressResult::Cancelled);
        return;
    }

    SigningTask task;
    task.serial = run.serial;
    task.signedFile = signedFilePath(run.outputDir, run.serial);
    task.program = settings_.signerPath();
    task.keyId = settings_.keyId();
    QString details;
    try {
        // The signer creates this name itself, so it must be free first.
        if (isNameTaken(task.signedFile)) {
            details = kLeftoverExplained;
            throw SealmillError(QStringLiteral("Cannot create file %1").arg(task.signedFile));
        }
        if (run.signer.readsWorkFile()) {
            task.workFile = workFilePath(run.outputDir, run.serial);
            createFile(task.workFile, run.copies->pieces(run.serial), details);
            run.workFile = task.workFile;
        } else {
            task.copy = run.copies->copy(run.serial);
        }
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    run.signedFile = task.signedFile;
    run.signing = true;
    run.signer.sign(task);
}

void PressJob::onSigned(const SignerError& error) {
    Run& run = *run_;
    run.signing = false;
    removeFile(run.workFile);
    run.workFile.clear();
    if (run.stopRequested) {
        finish(PressResult::Stopped);
        return;
    }
    if (error.failed()) {
        finish(PressResult::SignerFailed, error.message, error.details);
        return;
    }
    if (plainFileSize(run.signedFile) <= 0) {
        finish(PressResult::SignerFailed, missingOutputMessage(run.outputFile), error.details);
        return;
    }
    switch (publishNoReplace(run.signedFile, run.outputFile)) {
        case Publication::Published:
            run.signedFile.clear();
            break;
        case Publication::NameTaken:
            finish(PressResult::OutputExists, alreadyExistsMessage(run.outputFile));
            return;
        case Publication::Failed:
            finish(PressResult::FileFailed,
                   QStringLiteral("Cannot create file %1").arg(run.outputFile));
            return;
    }
    ++run.pressed;
    if (!reportProgress()) {
        finish(PressResult::RangeLost);
        return;
    }
    ++run.serial;
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
    const qint64 done = run_->serial - *from + 1;
    const auto position = std::clamp<qint64>(progressPosition(done, total), 0, 100);
    Q_EMIT progressed(static_cast<int>(position), progressStatus(done, total));
    return true;
}

bool PressJob::isCancelling() const {
    return run_ && run_->cancelRequested;
}

void PressJob::cancel() {
    if (!isRunning()) {
        return;
    }
    Run& run = *run_;
    if (!run.cancelRequested) {
        run.cancelRequested = true;
        if (run.signing) {
            Q_EMIT cancelling(run.serial);
        }
        return;
    }
    stop();
}

void PressJob::stop() {
    if (isRunning() && !run_->stopRequested) {
        run_->cancelRequested = true;
        run_->stopRequested = true;
        run_->signer.stop();
    }
}

void PressJob::finish(PressResult result, const QString& message, const QString& details) {
    const qint64 pressed = run_->pressed;
    const bool cancelRequested = run_->cancelRequested;
    endRun();
    if (result == PressResult::Succeeded && cancelRequested) {
        result = PressResult::Cancelled;
    }
    Q_EMIT finished({result, message, details, pressed, cancelRequested});
}

}  // namespace sealmill
