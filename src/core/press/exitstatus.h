// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <csignal>

namespace sealmill {

// What sealmill-press's exit status tells a script.
enum ExitStatus : int {
    kExitPressed = 0,       // every number pressed (or the dry run listed them)
    kExitProblems = 1,      // --verify: some number's file is not as pressed, or strays
    kExitUsage = 2,         // a wrong option or value; nothing was done
    kExitRefused = 3,       // settings a run refuses: output path, signer, directory
    kExitOutputExists = 4,  // an output file was already there
    kExitSignerFailed = 5,  // the signer failed or wrote no output
    kExitFileFailed = 6,    // the template or a temporary file could not be read or written
    kExitCannotCheck = 7,   // --verify: no key, or the folder or the template cannot be read
    kExitSignalled = 128,   // plus the signal's number: cancelled by SIGINT (130), stopped by
                            // SIGHUP (129), SIGPIPE (141), SIGTERM (143) and the like
};

// The status of a run ended by `signal`; 0 stands for SIGINT, which is what
// cancels a run without one.
[[nodiscard]] inline int signalledStatus(int signal) {
    return kExitSignalled + (signal != 0 ? signal : SIGINT);
}

}  // namespace sealmill
