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
#include <map>
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

// Each number under way or signed ahead holds its copy and its signed copy in
// memory: for large templates fewer are signed at once.
constexpr qint64 kBytesUnderWay = qint64{64} << 20;

const QString kNotAtomic = QStringLiteral(
    "This file system cannot publish atomically: each copy was written under its output name "
    "as a new file, so a crash while one is written can leave part of it there.");

}  // namespace

// How a run ends, once no number is under way: nothing from `serial` on is
// published.
struct PressJob::Ending {
    qint64 serial = 0;
    PressResult result = PressResult::FileFailed;
    QString message;
    QString details;
};

namespace {

// No failure: every number pressed, or the user ended the run.
bool endsWell(PressResult result) {
    return result == PressResult::Succeeded || result == PressResult::Cancelled ||
           result == PressResult::Stopped;
}

// The names in the output folder of a number handed to the signer.
struct NumberNames {
    QString outputName;
    QString signedName;  // its signed copy, until published
    QString workName;    // its copy, when the signer reads one
};

// A number whose signature ended before a lower number's.
struct SignedNumber {
    NumberNames names;
    SignerResult result;
    QByteArray signedCopy;
};

}  // namespace

// One run, from start() to finished(): a new run starts from a new one.
struct PressJob::Run {
    Run(const TemplateFileText& text, Signer& runSigner) : templateText(text), signer(runSigner) {}

    TemplateFileText templateText;  // until the copies are made from it
    Signer& signer;
    std::optional<NumberedCopies> copies;
    std::unique_ptr<OutputFolder> folder;     // opened once; every file step goes through it
    std::unique_ptr<PublicationBatch> batch;  // signed copies not published yet
    bool holdsSnapshot = false;               // the snapshot is this run's to remove
    qint64 nextToSign = 0;
    qint64 nextToPublish = 0;  // every number below it is handed to the batch
    qint64 last = 0;
    int numbersAtOnce = 1;                       // handed to the signer at most
    qint64 pressed = 0;                          // published copies
    std::map<qint64, NumberNames> underWay;      // with the signer
    std::map<qint64, SignedNumber> signedAhead;  // waiting for a lower number
    std::optional<Ending> ending;                // once nothing is under way
    bool preparing = false;                      // the signer finds and unlocks its key
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
    // Signatures still under way end before their files are removed.
    run->signer.release();
    run->batch.reset();
    if (run->folder) {
        const auto removeNames = [&run](const NumberNames& names) {
            run->folder->remove(names.workName);
            run->folder->remove(names.signedName);
        };
        for (const auto& [serial, names] : run->underWay) {
            removeNames(names);
        }
        for (const auto& [serial, number] : run->signedAhead) {
            removeNames(number.names);
        }
        if (run->holdsSnapshot) {
            run->folder->remove(snapshotPath({}));
        }
    }
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
        run.numbersAtOnce =
            static_cast<int>(std::clamp<qint64>(kBytesUnderWay / std::max<qint64>(1, bytes.size()),
                                                1, std::max(1, run.signer.concurrentSigns())));
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
    run.nextToSign = *from;
    run.nextToPublish = *from;
    run.last = *to;
    if (run.nextToSign > run.last) {
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

// Hands out numbers while the signer takes more; ends the run once it has
// an ending and nothing is under way.
void PressJob::pressNext() {
    const auto takesMore = [this] {
        return isRunning() && !run_->ending && std::ssize(run_->underWay) < run_->numbersAtOnce;
    };
    while (takesMore()) {
        handOutNext();  // a signer that cannot start ends the number at once
    }
    if (isRunning() && run_->ending && run_->underWay.empty()) {
        const Ending ending = *run_->ending;
        finish(ending.result, ending.message, ending.details);
    }
}

void PressJob::handOutNext() {
    Run& run = *run_;
    const qint64 serial = run.nextToSign;
    if (serial > run.last) {
        endAt(serial, PressResult::Succeeded);
        return;
    }
    NumberNames names;
    names.outputName = outputFilePath({}, settings_.namePattern(), serial);
    // The system ends a name at a NUL: the output would land under another one.
    // A name too long for it (the pattern may change during a run) would fail
    // only once signed.
    const QString outputPath = run.folder->pathOf(names.outputName);
    const bool fits = fitsPathLimits(outputPath);
    if (names.outputName.contains(QChar::Null) || !fits || isTemporaryName(names.outputName)) {
        endAt(serial, PressResult::FileFailed,
              QStringLiteral("Cannot create file %1").arg(outputPath),
              !fits ? QString(kOutputPathTooLong)
              : isTemporaryName(names.outputName)
                  ? temporaryNameMessage(settings_.namePattern(), names.outputName)
                  : QString());
        return;
    }
    try {
        run.folder->checkInPlace();
    } catch (const SealmillError& error) {
        endAt(serial, PressResult::FileFailed, error.message(), error.details());
        return;
    }
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to replace. A link counts, dangling or not.
    if (run.folder->isNameTaken(names.outputName)) {
        endAt(serial, PressResult::OutputExists, alreadyExistsMessage(outputPath));
        return;
    }
    if (run.cancelRequested) {
        endAt(serial, PressResult::Cancelled);
        return;
    }

    SigningTask task;
    task.serial = serial;
    const QString signedName = signedFilePath({}, serial);
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
            const QString workName = workFilePath({}, serial);
            task.workFile = run.folder->pathOf(workName);
            createFile(*run.folder, workName, run.copies->pieces(serial), details);
            names.workName = workName;
        } else {
            task.copy = run.copies->copy(serial);
        }
    } catch (const SealmillError& error) {
        endAt(serial, PressResult::FileFailed, error.message(), details + error.details());
        return;
    }
    names.signedName = signedName;
    run.underWay.emplace(serial, std::move(names));
    ++run.nextToSign;
    run.signer.sign(task);
}

void PressJob::onSigned(qint64 serial, const SignerResult& result, const QByteArray& signedCopy) {
    Run& run = *run_;
    auto handedOut = run.underWay.extract(serial);
    if (handedOut.empty()) {
        return;  // not a number of this run
    }
    run.folder->remove(handedOut.mapped().workName);
    handedOut.mapped().workName.clear();
    if (run.stopRequested) {
        const bool failed = run.ending && !endsWell(run.ending->result);
        finish(failed ? run.ending->result : PressResult::Stopped,
               failed ? run.ending->message : QString(), failed ? run.ending->details : QString());
        return;
    }
    run.signedAhead.emplace(serial,
                            SignedNumber{std::move(handedOut.mapped()), result, signedCopy});
    publishInOrder();
    // No detour through the event loop is needed for the user to be heard:
    // this thread waits in it for as long as any signature takes.
    pressNext();
}

// Hands the signed copies to the batch while the next one in order is there.
void PressJob::publishInOrder() {
    Run& run = *run_;
    while (!run.signedAhead.empty() && run.signedAhead.begin()->first == run.nextToPublish &&
           (!run.ending || run.nextToPublish < run.ending->serial)) {
        // It stays among the numbers signed ahead, whose files the run's end
        // removes, until it joins the batch.
        const auto next = run.signedAhead.begin();
        const qint64 serial = next->first;
        SignedNumber& number = next->second;
        // A signer program finds no folder at its paths once it moved.
        try {
            run.folder->checkInPlace();
        } catch (const SealmillError& failure) {
            endAt(serial, PressResult::FileFailed, failure.message(), failure.details());
            return;
        }
        if (number.result.status == SignerResult::Status::Failed) {
            endAt(serial, PressResult::SignerFailed, number.result.message, number.result.details);
            return;
        }
        // A copy signed in memory is written here, through the open folder; a
        // signer program's is judged there.
        OpenFile file;
        try {
            file = number.signedCopy.isEmpty()
                       ? run.folder->openSignedCopy(number.names.signedName)
                       : run.folder->writeSignedCopy(number.names.signedName, number.signedCopy);
        } catch (const SealmillError& failure) {
            endAt(serial, PressResult::FileFailed, failure.message(), failure.details());
            return;
        }
        if (!file.isOpen()) {
            endAt(serial, PressResult::SignerFailed,
                  missingOutputMessage(run.folder->pathOf(number.names.outputName)),
                  number.result.details);
            return;
        }
        const NumberNames names = number.names;
        run.signedAhead.erase(next);
        run.batch->add(serial, names.signedName, names.outputName, std::move(file));
        ++run.nextToPublish;
        // A signer program takes far longer than a wait for the disk: its copy
        // is published before the next number is signed, as one would expect.
        // The built-in signer signs on while the disk catches up.
        if (run.signer.readsWorkFile() || run.batch->isFull()) {
            if (std::optional<Ending> ending = published(run.batch->publishDurable())) {
                endAt(std::move(*ending));
                return;
            }
        }
    }
}

// Counts and reports the copies a batch published; how the run ends when it
// published no further: nothing more joins the batch.
std::optional<PressJob::Ending> PressJob::published(const PublicationBatch::Ending& batch) {
    Run& run = *run_;
    run.pressed += batch.published.size();
    if (!batch.published.isEmpty()) {
        Q_EMIT copiesPublished(batch.published);
    }
    for (const qint64 serial : batch.published) {
        if (!reportProgress(serial)) {
            return Ending{run.nextToPublish, PressResult::RangeLost, {}, {}};
        }
    }
    if (!batch.takenName.isEmpty()) {
        return Ending{run.nextToPublish,
                      PressResult::OutputExists,
                      alreadyExistsMessage(run.folder->pathOf(batch.takenName)),
                      {}};
    }
    if (batch.failure) {
        return Ending{run.nextToPublish, PressResult::FileFailed, batch.failure->message(),
                      batch.failure->details()};
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
        // Numbers under way are not published: the run ends when they are back.
        endAt(std::move(*ending));
        pressNext();
    }
}

// The run publishes nothing from `serial` on and ends once no number is under
// way. A failure replaces an ending that was not one, or one at a later number.
void PressJob::endAt(qint64 serial, PressResult result, const QString& message,
                     const QString& details) {
    endAt(Ending{serial, result, message, details});
}

void PressJob::endAt(Ending ending) {
    std::optional<Ending>& current = run_->ending;
    if (!current || (endsWell(current->result) && !endsWell(ending.result)) ||
        ending.serial < current->serial) {
        current = std::move(ending);
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
        if (!run.underWay.empty()) {
            Q_EMIT cancelling(run.nextToPublish, run.nextToSign - 1);
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
    const bool endedWell = endsWell(result);
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
