#pragma once

#include "filestamp.h"
#include "presssettings.h"
#include "presssink.h"
#include "signer.h"
#include "templatelines.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace sealmill {

// How a run ended.
enum class PressResult {
    Refused,         // output directory too long or empty, or no signer file: nothing done
    AlreadyRunning,  // run() was called while a run was under way: ignored
    Succeeded,       // every number pressed, no cancel
    Cancelled,       // a cancel was requested (also when it came after the last number)
    OutputExists,    // an output file was already there
    SignerFailed,    // bad exit code, signal, or no output file written
    RangeLost,       // the serial fields no longer gave a positive total
    FileFailed,      // snapshot or work file could not be written or read back
};

using SignerFunction =
    std::function<SignerOutcome(const SignerRequest&, const std::function<void()>&)>;

// One press run at a time: for every number of the range, substitute it into
// the template, have the signer sign that copy into the output file, and
// report progress. Works on the document's lines in place and puts the
// template back afterwards, whatever ended the run.
//
// The document's modified flag is not this class's business: restoring the
// text may touch it, so the caller notes it before run() and sets it back
// after.
class PressLoop {
public:
    PressLoop(TemplateLines& lines, const PressSettings& settings, PressSink& sink,
              SignerFunction signer = runSigner);

    // The whole run. Never throws a SealmillError: file failures go to
    // PressSink::failure after the clean-up. A call made while a run is under
    // way (from processPendingEvents) returns AlreadyRunning at once.
    PressResult run();

    [[nodiscard]] bool isRunning() const { return running_; }

    // The run's output directory, ending in a separator; empty when the last
    // run was refused for it.
    [[nodiscard]] const QString& outputDir() const { return outputDir_; }

    // The steps of a run, public so a caller can show them on its own.
    void InitPress();  // snapshot, then runStarted()
    [[nodiscard]] QString OutFilePrep(qint64 serial) const;
    void ReplaceVar(qint64 serial);
    [[nodiscard]] bool UpdateOutput(qint64 serial);  // false: the range is gone

private:
    PressResult pressRange();
    [[nodiscard]] std::optional<PressResult> pressOne(qint64 serial);
    PressResult finish(PressResult result, const QString& original, const QString& failure);
    void writeWorkFile(const QString& work, qint64 serial);
    void restoreFromSnapshot();
    [[nodiscard]] bool linesHoldSnapshot() const;

    TemplateLines& lines_;
    const PressSettings& settings_;
    PressSink& sink_;
    SignerFunction signer_;
    QString outputDir_;
    bool running_ = false;
    bool substituted_ = false;  // the lines hold a number instead of the template

    // The snapshot as written, and where its lines' first placeholders are.
    // While the lines are unchanged since they last matched it and the file
    // keeps its stamp, a numbered copy is these bytes with the number in, and
    // putting the template back needs no reading: the lines already hold it.
    QByteArray snapshotBytes_;
    QList<qsizetype> placeholderAt_;
    FileStamp snapshotStamp_;
    std::optional<quint64> matchedChange_;  // the lines' change count when they last matched
    QByteArray workBytes_;  // reused, so a large template's copy is not fresh memory every number
};

}  // namespace sealmill
