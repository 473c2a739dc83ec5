// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/pressjob.h"

#include "core/platform/pathrules.h"
#include "core/press/numberedcopies.h"
#include "core/press/outputfolder.h"
#include "core/press/outputpath.h"
#include "core/press/presssettings.h"
#include "core/press/progress.h"
#include "core/press/publicationbatch.h"
#include "core/press/serialfield.h"
#include "core/sealmillerror.h"

#include <algorithm>
#include <memory>
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

QString temporaryNameMessage(const QString& pattern, const QString& name) {
    return QStringLiteral(
               "The file name pattern %1 makes names (%2) that the press uses for its "
               "own temporary files; choose another pattern")
        .arg(pattern, name);
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

// Whether the system can hold every name the run will use, judged by the
// range's ends: the number with the most digits makes the longest names.
bool namesFit(const PressSettings& settings, const QString& outputDir) {
    if (!fitsPathLimits(snapshotPath(outputDir))) {
        return false;
    }
    for (const QString& end : {settings.serialFromText(), settings.serialToText()}) {
        if (const std::optional<qint32> serial = readSerialField(end);
            serial &&
            (!fitsPathLimits(outputFilePath(outputDir, settings.namePattern(), *serial)) ||
             !fitsPathLimits(signedFilePath(outputDir, *serial)))) {
            return false;
        }
    }
    return true;
}

const QString kNotAtomic = QStringLiteral(
    "This file system cannot publish atomically: each copy was written under its output name "
    "as a new file, so a crash while one is written can leave part of it there.");

}  // namespace

// How publishing ended a run.
struct PressJob::Ending {
    PressResult result = PressResult::FileFailed;
    QString message;
    QString details;
};

// One run, from start() to finished(): a new run starts from a new one.
struct PressJob::Run {
    Run(const TemplateFileText& text, Signer& runSigner) : templateText(text), signer(runSigner) {}

    TemplateFileText templateText;  // until the copies are made from it
    Signer& signer;
    std::optional<NumberedCopies> copies;
    std::unique_ptr<OutputFolder> folder;     // opened once; every file step goes through it
    std::unique_ptr<PublicationBatch> batch;  // signed copies not published yet
    std::optional<Ending> ending;             // publishing ended the run while a copy was signed
    bool holdsSnapshot = false;               // the snapshot is this run's to remove
    qint64 serial = 0;
    qint64 last = 0;
    qint64 pressed = 0;  // published copies
    // Names in the folder for the number being signed.
    QString workName;    // its copy, when the signer reads one
    QString signedName;  // its signed copy
    QString outputName;
    bool preparing = false;  // the signer finds and unlocks its key
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
    run->batch.reset();
    if (run->folder) {
        run->folder->remove(run->workName);
        run->folder->remove(run->signedName);
        if (run->holdsSnapshot) {
            run->folder->remove(snapshotPath({}));
        }
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
    if (dirText.isEmpty() || !run.signer.canStart(settings_.signerPath())) {
        finish(PressResult::Refused);
        return;
    }
    if (!namesFit(settings_, outputDirectory(dirText))) {
        finish(PressResult::Refused, QString(kOutputPathTooLong));
        return;
    }
    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    // Which number makes the name does not matter: only its digits differ.
    if (const QString name = outputFilePath({}, settings_.namePattern(), from.value_or(1));
        isTemporaryName(name)) {
        finish(PressResult::Refused, temporaryNameMessage(settings_.namePattern(), name));
        return;
    }
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
    // The snapshot is never read: it only keeps a second run out of this
    // directory while this one works in it.
    QString details;
    try {
        run.folder = std::make_unique<OutputFolder>(outputDirectory(dirText));
        run.batch = std::make_unique<PublicationBatch>(*run.folder);
        connect(run.batch.get(), &PublicationBatch::durable, this, &PressJob::onDurable);
        const QByteArray bytes = run.copies->templateBytes();
        createFile(*run.folder, snapshotPath({}), {QByteArrayView(bytes)}, details);
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
    run.preparing = true;
    run.signer.prepare({settings_.keyId(), settings_.passPhrase()});
}

void PressJob::onPrepared(const SignerResult& result) {
    Run& run = *run_;
    disconnect(run.preparedConnection);
    run.preparing = false;
    const bool failed = result.status == SignerResult::Status::Failed;
    if (run.stopRequested) {
        finish(PressResult::Stopped);
    } else if (failed && run.cancelRequested) {
        finish(PressResult::Cancelled);  // the signer was cut short on the user's word
    } else if (failed) {
        finish(PressResult::SignerFailed, result.message, result.details);
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
    run.outputName = outputFilePath({}, settings_.namePattern(), run.serial);
    // The system ends a name at a NUL: the output would land under another one.
    // A name too long for it (the pattern may change during a run) would fail
    // only once signed.
    const QString outputPath = run.folder->pathOf(run.outputName);
    const bool fits = fitsPathLimits(outputPath);
    if (run.outputName.contains(QChar::Null) || !fits || isTemporaryName(run.outputName)) {
        finish(PressResult::FileFailed, QStringLiteral("Cannot create file %1").arg(outputPath),
               !fits ? QString(kOutputPathTooLong)
               : isTemporaryName(run.outputName)
                   ? temporaryNameMessage(settings_.namePattern(), run.outputName)
                   : QString());
        return;
    }
    try {
        run.folder->checkInPlace();
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), error.details());
        return;
    }
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to replace. A link counts, dangling or not.
    if (run.folder->isNameTaken(run.outputName)) {
        finish(PressResult::OutputExists, alreadyExistsMessage(run.folder->pathOf(run.outputName)));
        return;
    }
    if (run.cancelRequested) {
        finish(PressResult::Cancelled);
        return;
    }

    SigningTask task;
    task.serial = run.serial;
    const QString signedName = signedFilePath({}, run.serial);
    // A signer program opens its files by their paths.
    task.signedFile = run.folder->pathOf(signedName);
    task.program = settings_.signerPath();
    task.keyId = settings_.keyId();
    QString details;
    try {
        // The signer creates this name itself, so it must be free first.
        if (run.folder->isNameTaken(signedName)) {
            details = kLeftoverExplained;
            throw SealmillError(QStringLiteral("Cannot create file %1").arg(task.signedFile));
        }
        if (run.signer.readsWorkFile()) {
            const QString workName = workFilePath({}, run.serial);
            task.workFile = run.folder->pathOf(workName);
            createFile(*run.folder, workName, run.copies->pieces(run.serial), details);
            run.workName = workName;
        } else {
            task.copy = run.copies->copy(run.serial);
        }
    } catch (const SealmillError& error) {
        finish(PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    run.signedName = signedName;
    run.signing = true;
    run.signer.sign(task);
}

void PressJob::onSigned(const SignerResult& result, const QByteArray& signedCopy) {
    Run& run = *run_;
    run.signing = false;
    run.folder->remove(run.workName);
    run.workName.clear();
    if (run.ending) {
        finish(run.ending->result, run.ending->message, run.ending->details);
        return;
    }
    if (run.stopRequested) {
        finish(PressResult::Stopped);
        return;
    }
    // A signer program finds no folder at its paths once it moved.
    try {
        run.folder->checkInPlace();
    } catch (const SealmillError& failure) {
        finish(PressResult::FileFailed, failure.message(), failure.details());
        return;
    }
    if (result.status == SignerResult::Status::Failed) {
        finish(PressResult::SignerFailed, result.message, result.details);
        return;
    }
    // A copy signed in memory is written here, through the open folder; a
    // signer program's is judged there.
    OpenFile file;
    try {
        file = signedCopy.isEmpty() ? run.folder->openSignedCopy(run.signedName)
                                    : run.folder->writeSignedCopy(run.signedName, signedCopy);
    } catch (const SealmillError& failure) {
        finish(PressResult::FileFailed, failure.message(), failure.details());
        return;
    }
    if (!file.isOpen()) {
        finish(PressResult::SignerFailed, missingOutputMessage(run.folder->pathOf(run.outputName)),
               result.details);
        return;
    }
    run.batch->add(run.serial, run.signedName, run.outputName, std::move(file));
    run.signedName.clear();
    ++run.serial;
    // A signer program takes far longer than a wait for the disk: its copy
    // is published before the next number is signed, as one would expect.
    // The built-in signer signs on while the disk catches up.
    if (run.signer.readsWorkFile() || run.batch->isFull()) {
        if (const std::optional<Ending> ending = published(run.batch->publishDurable())) {
            finish(ending->result, ending->message, ending->details);
            return;
        }
    }
    // No detour through the event loop is needed for the user to be heard:
    // this thread waits in it for as long as any signature takes.
    pressNext();
}

// Counts and reports the copies a batch published; how the run ends when it
// published no further.
std::optional<PressJob::Ending> PressJob::published(const PublicationBatch::Ending& batch) {
    Run& run = *run_;
    run.pressed += batch.published.size();
    if (!batch.published.isEmpty()) {
        Q_EMIT copiesPublished(batch.published);
    }
    for (const qint64 serial : batch.published) {
        if (!reportProgress(serial)) {
            return Ending{PressResult::RangeLost, {}, {}};
        }
    }
    if (!batch.takenName.isEmpty()) {
        return Ending{PressResult::OutputExists,
                      alreadyExistsMessage(run.folder->pathOf(batch.takenName)),
                      {}};
    }
    if (batch.failure) {
        return Ending{PressResult::FileFailed, batch.failure->message(), batch.failure->details()};
    }
    return std::nullopt;
}

// A wait for the disk ended while the signer works on.
void PressJob::onDurable() {
    if (!isRunning()) {
        return;
    }
    Run& run = *run_;
    if (std::optional<Ending> ending = published(run.batch->publishDurable())) {
        // The copy being signed is not published: the run ends when it is.
        if (run.signing) {
            run.ending = std::move(ending);
        } else {
            finish(ending->result, ending->message, ending->details);
        }
    }
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
    Run& run = *run_;
    if (!run.cancelRequested) {
        run.cancelRequested = true;
        if (run.signing) {
            Q_EMIT cancelling(run.serial);
        } else if (run.preparing) {
            // No number is under way to wait for: finding and unlocking the
            // key (gpg may wait on a pinentry) is cut short at once.
            run.signer.stop();
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
    Run& run = *run_;
    QString text = message;
    QString more = details;
    // A failure of the publication only replaces an ending that was not one.
    const bool endedWell = result == PressResult::Succeeded || result == PressResult::Cancelled ||
                           result == PressResult::Stopped;
    const auto failed = [&](PressResult failure, const QString& why, const QString& whyMore) {
        if (endedWell && result != PressResult::OutputExists && result != PressResult::FileFailed) {
            result = failure;
            text = why;
            more = whyMore;
        }
    };
    // What was signed before the end is published.
    if (run.batch && !run.batch->isEmpty()) {
        const std::optional<Ending> ending = published(run.batch->publishAll());
        if (ending && ending->result != PressResult::RangeLost) {
            failed(ending->result, ending->message, ending->details);
        }
    }
    // The run reports no copy that a crash could still take away.
    if (run.pressed > 0) {
        try {
            run.folder->flushEntries();
        } catch (const SealmillError& error) {
            failed(PressResult::FileFailed, error.message(), error.details());
        }
    }
    if (run.folder && !run.folder->publishesAtomically()) {
        more += (more.isEmpty() ? QString() : QStringLiteral("\n")) + kNotAtomic;
    }
    const qint64 pressed = run_->pressed;
    const bool cancelRequested = run_->cancelRequested;
    endRun();
    if (result == PressResult::Succeeded && cancelRequested) {
        result = PressResult::Cancelled;
    }
    Q_EMIT finished({result, text, more, pressed, cancelRequested});
}

}  // namespace sealmill
