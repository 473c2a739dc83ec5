// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/publicationbatch.h"
#include "core/signing/signer.h"
#include "core/text/templatefile.h"

#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace sealmill {

class PressSettings;

inline constexpr QLatin1StringView kOutputPathTooLong{"Output path too long! Sorry..."};
inline constexpr QLatin1StringView kSignedAsUtf8{
    "The template is UTF-16 text: its copies are signed as UTF-8, which every OpenPGP program "
    "reads."};

// How a run ended.
enum class PressResult {
    Refused,       // not begun: output directory refused, or no signer to start
    Succeeded,     // every number pressed, no cancel
    Cancelled,     // a cancel was requested (also when it came after the last number)
    Stopped,       // a second cancel stopped the signer at once
    OutputExists,  // an output name was already taken
    SignerFailed,  // the signer failed, or left no signed copy
    RangeLost,     // the serial fields no longer gave a positive total
    FileFailed,    // a temporary file could not be written, or the output not published
};

struct PressOutcome {
    PressResult result = PressResult::Refused;
    // Why the run failed, for Refused, OutputExists, SignerFailed and
    // FileFailed; a refusal for want of a signer program has none.
    // describeOutcome() turns it into words.
    QString message;
    QString details;  // more for whoever wants it: what the signer printed, why a file is there
    qint64 pressed = 0;
    bool cancelRequested = false;  // a first cancel came before the end
};

// One press run: for every number of the range, a numbered copy of the
// template is signed into a private temporary name in the output directory
// and published under its output name only when whole and on disk, never
// replacing anything (see PublicationBatch). A signer that signs several
// copies at once gets as many numbers as it takes; however their signatures
// end, the copies are published strictly in the order of their numbers, so
// that a failure at one number publishes nothing from it on. The run works in the output
// folder it opened, and from its own copy of the template, taken at start();
// the document it came from is never touched.
//
// Event-driven: start() returns at once, each signer's end arrives as an event,
// and the next number is taken up from the event loop, so whatever the user
// does between two numbers is handled in between. The settings are read when
// a user would expect: the output directory and the range once at the start,
// the name pattern and the signer's texts for each number, the range again at
// each progress report.
class PressJob : public QObject {
    Q_OBJECT

public:
    explicit PressJob(const PressSettings& settings, QObject* parent = nullptr);
    ~PressJob() override;
    Q_DISABLE_COPY_MOVE(PressJob)

    // Begins a run unless one is under way. The run takes its own copy of
    // the text and begins from the event loop, so every outcome, a refusal
    // included, reaches finished() after this has returned. An output or
    // temporary name the system cannot hold is refused with
    // kOutputPathTooLong before anything is written.
    void start(const TemplateFileText& templateText, Signer& signer);

    // The first call lets the signatures under way finish, publishes them,
    // and starts no further one; the next is stop().
    void cancel();
    // Ends the signatures under way at once; nothing of them is kept.
    void stop();

    [[nodiscard]] bool isRunning() const { return run_ != nullptr; }

Q_SIGNALS:
    // The snapshot file is written: the run is under way.
    void started();
    // Something the user should know about the run as it begins, such as the
    // encoding its copies are signed in.
    void noted(const QString& text);
    // Copies just published, in order: their bytes are on disk, their output
    // names given (not yet the folder's entries on disk).
    void copiesPublished(const QList<qint64>& serials);
    // After each published number: position 0..100 and "<done> of <total> processed".
    void progressed(int position, const QString& status);
    // A first cancel arrived while the numbers `first` to `last` are signed:
    // they are still published.
    void cancelling(qint64 first, qint64 last);
    void finished(const sealmill::PressOutcome& outcome);

private:
    struct Run;

    struct Ending;

    void begin();
    void onPrepared(const SignerResult& result);
    void pressNext();
    void handOutNext();
    void onSigned(qint64 serial, const SignerResult& result, const QByteArray& signedCopy);
    void publishInOrder();
    void onDurable();
    [[nodiscard]] std::optional<Ending> published(const PublicationBatch::Ending& batch);
    [[nodiscard]] bool reportProgress(qint64 serial);
    void endAt(qint64 serial, PressResult result, const QString& message = {},
               const QString& details = {});
    void endAt(Ending ending);
    void endRun();
    void finish(PressResult result, const QString& message = {}, const QString& details = {});

    const PressSettings& settings_;
    std::unique_ptr<Run> run_;  // everything of the run under way, and only of it
};

}  // namespace sealmill
