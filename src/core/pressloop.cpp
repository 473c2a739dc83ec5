#include "pressloop.h"

#include "outputpath.h"
#include "pathrules.h"
#include "progress.h"
#include "sealmillerror.h"
#include "serialfield.h"
#include "templatefile.h"

#include <QFile>
#include <algorithm>
#include <utility>

namespace sealmill {

namespace {

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    RunningFlag(RunningFlag&&) = delete;
    RunningFlag& operator=(RunningFlag&&) = delete;
    ~RunningFlag() { flag_ = false; }

private:
    bool& flag_;
};

// The work file goes as soon as the signer is done with it, and also when a
// file failure cuts the step short; only once it is ours, so a file that
// already had its name stays.
class RemoveOnExit {
public:
    explicit RemoveOnExit(QString path) : path_(std::move(path)) {}
    RemoveOnExit(const RemoveOnExit&) = delete;
    RemoveOnExit& operator=(const RemoveOnExit&) = delete;
    RemoveOnExit(RemoveOnExit&&) = delete;
    RemoveOnExit& operator=(RemoveOnExit&&) = delete;
    ~RemoveOnExit() { QFile::remove(path_); }

private:
    QString path_;
};

QString alreadyExistsMessage(const QString& output) {
    return output + QStringLiteral(" already exists!\rOverwrite not supported");
}

// A signer may report success without signing anything (pgpgpg in some
// set-ups, or a shell's 127 for "command not found").
QString missingOutputMessage(const QString& output, int exitCode) {
    return QStringLiteral("%1 was not written!\rThe signer ended with code %2 but left no file")
        .arg(output)
        .arg(exitCode);
}

constexpr int kCancelRequested = -1;

// Up to this many pieces a numbered copy is written piece by piece.
constexpr qsizetype kMostPiecesWritten = 64;

const QByteArray kPlaceholderBytes = QByteArray(kPlaceholder.data(), kPlaceholder.size());

// Offsets of the first `needle` in each line of `bytes` that holds one.
QList<qsizetype> firstInEachLine(const QByteArray& bytes, const QByteArray& needle) {
    QList<qsizetype> found;
    qsizetype lineStart = 0;
    for (qsizetype at = bytes.indexOf(needle); at >= 0; at = bytes.indexOf(needle, lineStart)) {
        found << at;
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0) {
            break;
        }
        lineStart = end + 1;
    }
    return found;
}

}  // namespace

PressLoop::PressLoop(TemplateLines& lines, const PressSettings& settings, PressSink& sink,
                     SignerFunction signer)
    : lines_(lines), settings_(settings), sink_(sink), signer_(std::move(signer)) {
}

PressResult PressLoop::run() {
    if (running_) {
        return PressResult::AlreadyRunning;
    }
    const RunningFlag running(running_);

    const QString dirText = settings_.outputDirectoryText();
    outputDir_ = outputDirectory(dirText);
    if (dirText.size() > kMaxOutputDirText) {
        sink_.error(kOutputPathTooLong, {});
    }
    if (!isExistingFile(settings_.signerPath()) || outputDir_.isEmpty()) {
        return PressResult::Refused;
    }
    sink_.setCancelTag(0);

    const QString original = lines_.text();
    try {
        InitPress();
    } catch (const SealmillError& e) {
        sink_.failure(e.message());
        return PressResult::FileFailed;
    }

    PressResult result = PressResult::Succeeded;
    QString failure;
    try {
        result = pressRange();
    } catch (const SealmillError& e) {
        failure = e.message();
        result = PressResult::FileFailed;
    }
    return finish(result, original, failure);
}

PressResult PressLoop::pressRange() {
    const std::optional<qint32> from = readSerialField(settings_.serialFromText());
    const std::optional<qint32> to = readSerialField(settings_.serialToText());
    if (!from || !to) {
        return PressResult::RangeLost;
    }
    for (qint64 serial = *from; serial <= *to; ++serial) {
        if (const std::optional<PressResult> ended = pressOne(serial)) {
            return *ended;
        }
    }
    return PressResult::Succeeded;
}

std::optional<PressResult> PressLoop::pressOne(qint64 serial) {
    const QString output = OutFilePrep(serial);
    // Before the cancel test: a cancelled run still reports the file it would
    // have refused to overwrite.
    if (isExistingFile(output)) {
        sink_.error(alreadyExistsMessage(output), {});
        return PressResult::OutputExists;
    }
    if (sink_.cancelTag() == kCancelRequested) {
        return PressResult::Cancelled;
    }

    SignerOutcome outcome;
    {
        const QString work = workFilePath(outputDir_, serial);
        writeWorkFile(work, serial);
        // Removed only once written: a file already under that name is not ours.
        const RemoveOnExit removeWork(work);
        restoreFromSnapshot();
        const SignerRequest request{settings_.signerPath(), work, settings_.keyId(), output,
                                    settings_.passPhrase()};
        outcome = signer_(request, [this] { sink_.whileSignerRuns(); });
    }

    const QString details = QString::fromLocal8Bit(outcome.outputTail);
    if (const std::optional<QString> message = signerFailureMessage(outcome)) {
        sink_.error(*message, details);
        return PressResult::SignerFailed;
    }
    if (!isExistingFile(output)) {
        sink_.error(missingOutputMessage(output, outcome.exitCode), details);
        return PressResult::SignerFailed;
    }
    if (!UpdateOutput(serial)) {
        return PressResult::RangeLost;
    }
    sink_.processPendingEvents();
    return std::nullopt;
}

PressResult PressLoop::finish(PressResult result, const QString& original, const QString& failure) {
    QFile::remove(snapshotPath(outputDir_));
    // A large template's copies are not kept for the next run.
    snapshotBytes_ = QByteArray();
    workBytes_ = QByteArray();
    placeholderAt_.clear();
    matchedChange_.reset();
    if (substituted_) {
        // Only a failure mid-number leaves numbers in the lines; otherwise they
        // hold the reloaded template plus whatever the user typed meanwhile.
        lines_.restoreText(original);
        substituted_ = false;
    }
    sink_.idle();
    if (result == PressResult::Succeeded) {
        if (sink_.cancelTag() == kCancelRequested) {
            result = PressResult::Cancelled;
        } else {
            sink_.succeeded();
        }
    }
    sink_.setCancelTag(0);
    if (!failure.isEmpty()) {
        sink_.failure(failure);
    }
    return result;
}

void PressLoop::InitPress() {
    const QString snapshot = snapshotPath(outputDir_);
    matchedChange_.reset();
    snapshotBytes_ = lines_.fileBytes();
    writeTemplateFile(snapshot, snapshotBytes_, FileAccess::OwnerOnly);
    snapshotStamp_ = fileStamp(snapshot);
    placeholderAt_ = firstInEachLine(snapshotBytes_, kPlaceholderBytes);
    matchedChange_ = lines_.changeCount();
    sink_.runStarted();
}

bool PressLoop::linesHoldSnapshot() const {
    return matchedChange_ == lines_.changeCount();
}

// While the lines hold the snapshot, the snapshot's bytes with the number in
// are exactly what substituting in the lines and saving them would write: the
// encoding maps every character on its own, and the placeholder and the
// number are ASCII, so a line's first placeholder is the first in its bytes.
void PressLoop::writeWorkFile(const QString& work, qint64 serial) {
    if (!linesHoldSnapshot()) {
        ReplaceVar(serial);
        lines_.saveToFile(work, FileAccess::OwnerOnly);
        return;
    }
    const QByteArray number = serialText(serial).toLatin1();
    QList<QByteArrayView> pieces;
    pieces.reserve(placeholderAt_.size() * 2 + 1);
    qsizetype from = 0;
    for (const qsizetype at : std::as_const(placeholderAt_)) {
        pieces << QByteArrayView(snapshotBytes_).sliced(from, at - from) << QByteArrayView(number);
        from = at + kPlaceholderBytes.size();
    }
    pieces << QByteArrayView(snapshotBytes_).sliced(from);
    if (pieces.size() <= kMostPiecesWritten) {
        writePrivateTemplateFile(work, pieces);
        return;
    }
    // Many numbered lines: one buffer, reused, rather than a write for each piece.
    workBytes_.resize(0);
    for (const QByteArrayView piece : std::as_const(pieces)) {
        workBytes_.append(piece);
    }
    writePrivateTemplateFile(work, {QByteArrayView(workBytes_)});
}

// The template comes back from the snapshot file; while neither the lines nor
// the file changed since they last matched, the lines hold it already.
void PressLoop::restoreFromSnapshot() {
    const QString snapshot = snapshotPath(outputDir_);
    if (linesHoldSnapshot() && fileStamp(snapshot) == snapshotStamp_) {
        return;
    }
    lines_.loadFromFile(snapshot);
    substituted_ = false;
    matchedChange_.reset();
    if (fileStamp(snapshot) == snapshotStamp_ && lines_.fileBytes() == snapshotBytes_) {
        matchedChange_ = lines_.changeCount();
    }
}

QString PressLoop::OutFilePrep(qint64 serial) const {
    return outputFilePath(outputDir_, settings_.namePattern(), serial);
}

void PressLoop::ReplaceVar(qint64 serial) {
    substituted_ = true;
    const QString number = serialText(serial);
    for (const int i : lines_.linesHolding(kPlaceholder)) {
        QString line = lines_.line(i);
        line.replace(line.indexOf(kPlaceholder), kPlaceholder.size(), number);
        lines_.replaceLine(i, line);
    }
}

bool PressLoop::UpdateOutput(qint64 serial) {
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
    sink_.progress(static_cast<int>(position), progressStatus(done, total));
    return true;
}

}  // namespace sealmill
