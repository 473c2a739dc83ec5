// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/outcomewords.h"

namespace sealmill {

namespace {

// A failure the window shows in a box and sealmill-press prints, with its details.
OutcomeWords failure(OutcomeWords::Box box, const QString& text, const QString& details,
                     int exitStatus) {
    OutcomeWords words;
    words.box = box;
    words.boxText = text;
    words.details = details;
    words.error = text;
    words.exitStatus = exitStatus;
    return words;
}

}  // namespace

OutcomeWords describeOutcome(const PressOutcome& outcome, const OutcomeContext& context) {
    OutcomeWords words;
    using Box = OutcomeWords::Box;
    switch (outcome.result) {
        case PressResult::Refused:
            if (outcome.message.isEmpty()) {
                // The window always has an output folder: what is missing is the signer.
                words.statusLine = QStringLiteral(
                                       "Nothing pressed: no signer program at %1. Choose one "
                                       "with Browse..., or sign inside Sealmill.")
                                       .arg(context.signerPath);
                words.error = QStringLiteral(
                                  "no signer program at %1 (give --signer, or set "
                                  "PGPPATH)")
                                  .arg(context.signerPath);
                words.exitStatus = kExitRefused;
                return words;  // the window stays as it was: nothing began
            }
            return failure(Box::Error, outcome.message, outcome.details, kExitRefused);
        case PressResult::OutputExists:
            words = failure(Box::Error, outcome.message, outcome.details, kExitOutputExists);
            break;
        case PressResult::SignerFailed:
            words = failure(Box::Error, outcome.message, outcome.details, kExitSignerFailed);
            break;
        case PressResult::FileFailed:
            words = failure(Box::Failure, outcome.message + u'.', outcome.details, kExitFileFailed);
            break;
        case PressResult::Succeeded:
            words.box = Box::Information;
            words.boxText = QStringLiteral("The Sealmill has run!");
            // A success may come with a word on what it guarantees.
            words.details = outcome.details;
            if (!context.quiet) {
                words.report = words.boxText + u'\n' +
                               (outcome.details.isEmpty() ? QString() : outcome.details + u'\n');
            }
            words.closesWindow = true;
            return words;
        case PressResult::Stopped:
        case PressResult::Cancelled: {
            const QString ended = outcome.result == PressResult::Stopped
                                      ? QStringLiteral("stopped")
                                      : QStringLiteral("cancelled");
            words.statusLine = outcome.pressed == 1
                                   ? QStringLiteral("Run %1: 1 number was pressed.").arg(ended)
                                   : QStringLiteral("Run %1: %2 numbers were pressed.")
                                         .arg(ended)
                                         .arg(outcome.pressed);
            words.report = QStringLiteral("Cancelled: %1 of %2 numbers pressed.\n")
                               .arg(outcome.pressed)
                               .arg(context.total);
            words.exitStatus = signalledStatus(context.signal);
            break;
        }
        case PressResult::RangeLost:
            words.exitStatus = kExitUsage;
            break;
    }
    // A first cancel closes the window once the run is over; a second, which
    // stopped the signer, leaves it open.
    words.closesWindow = outcome.cancelRequested && outcome.result != PressResult::Stopped;
    return words;
}

QString numbersBeingSigned(qint64 first, qint64 last) {
    return first == last ? QStringLiteral("number %1 is being signed").arg(first)
                         : QStringLiteral("numbers %1 to %2 are being signed").arg(first).arg(last);
}

}  // namespace sealmill
