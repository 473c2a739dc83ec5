// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"
#include "pressoptions.h"

#include <QString>
#include <optional>

struct PassphraseResult {
    std::optional<sealmill::SecretBytes> passphrase;  // the bytes as given, not decoded
    QString error;                                    // why there is none
};

// The most bytes a pass phrase may have; a longer one is refused, so a file or
// descriptor that never ends cannot fill the memory.
inline constexpr qsizetype kMostPassphraseBytes = 4096;

// Takes SEALMILL_PASSPHRASE out of the environment, whatever source a run will
// use: its bytes in the process's starting environment (which
// /proc/<pid>/environ shows for as long as it runs) are overwritten and the
// variable removed, so no child (the signer, gpg, the gpg-agent gpg starts,
// which outlives the run) inherits it. Call first, before any thread starts.
[[nodiscard]] std::optional<sealmill::SecretBytes> takePassphraseVariable();

// The pass phrase from --passphrase-fd, --passphrase-file, the variable's
// value `fromVariable` or a prompt without echo on a terminal, in that order.
// Only the first line of a descriptor, file or prompt counts, without its line
// break. Once read, the descriptor is closed (a standard stream stays).
[[nodiscard]] PassphraseResult readPassphrase(const PressOptions& options,
                                              std::optional<sealmill::SecretBytes> fromVariable);
