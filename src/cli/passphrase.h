#pragma once

#include "pressoptions.h"

#include <QString>
#include <optional>

struct PassphraseResult {
    std::optional<QString> passphrase;
    QString error;  // why there is none
};

// The pass phrase from --passphrase-fd, --passphrase-file, SEALMILL_PASSPHRASE
// or a prompt without echo on a terminal, in that order. Only the first line
// counts, without its line break.
[[nodiscard]] PassphraseResult readPassphrase(const PressOptions& options);
