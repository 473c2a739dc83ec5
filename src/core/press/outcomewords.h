// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/exitstatus.h"
#include "core/press/pressjob.h"

#include <QLatin1StringView>
#include <QString>

namespace sealmill {

// The press run window's status line while no run reports there.
inline constexpr QLatin1StringView kIdleStatus{"Choose your settings and press the button..."};

// What the words of an outcome take from the front end that shows them.
struct OutcomeContext {
    QString signerPath;  // the signer program the run was to start
    qint64 total = 0;    // the numbers of the range, as sealmill-press counts a cancelled run
    int signal = 0;      // the signal that cancelled a sealmill-press run; 0: none
    bool quiet = false;  // sealmill-press --quiet: a success goes without a word
};

// How a run's end reads, in the window and on sealmill-press's standard error.
struct OutcomeWords {
    // The window's message box; its caption and icon go with its kind.
    enum class Box {
        None,
        Error,        // shown over the run's last progress, where it stopped
        Failure,      // the application's failure box, once the window is idle
        Information,  // once the window is idle
    };
    Box box = Box::None;
    QString boxText;
    QString details;  // the box's details, and the lines under sealmill-press's error
    QString statusLine = kIdleStatus;
    bool closesWindow = false;  // the run is over for the user: back to the editor

    QString error;   // sealmill-press prints it after its name, `details` indented below; or none
    QString report;  // printed as it stands, after any error
    int exitStatus = kExitPressed;
};

// The one place a run's outcome becomes words. Only a refusal without a
// message (no signer program to start) and a second cancel speak through the
// status line; a file failure's message comes without its final full stop.
[[nodiscard]] OutcomeWords describeOutcome(const PressOutcome& outcome,
                                           const OutcomeContext& context);

// What a first cancel waits for: "number 4 is being signed", or "numbers 4
// to 7 are being signed".
[[nodiscard]] QString numbersBeingSigned(qint64 first, qint64 last);

}  // namespace sealmill
