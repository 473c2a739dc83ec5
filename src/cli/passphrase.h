// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "pressoptions.h"

#include <QByteArray>
#include <QString>
#include <optional>

struct PassphraseResult {
    std::optional<QByteArray> passphrase;  // the bytes as given, not decoded
    QString error;                         // why there is none
};

// The most bytes a pass phrase may have; a longer one is refused, so a file or
// descriptor that never ends cannot fill the memory.
inline constexpr qsizetype kMostPassphraseBytes = 4096;

// The pass phrase from --passphrase-fd, --passphrase-file, SEALMILL_PASSPHRASE
// or a prompt without echo on a terminal, in that order. Only the first line
// of a descriptor, file or prompt counts, without its line break. Once read,
// the descriptor is closed (a standard stream stays) and the variable's bytes
// are overwritten and it is removed, so neither reaches the signer nor shows
// in the process's environment.
[[nodiscard]] PassphraseResult readPassphrase(const PressOptions& options);
