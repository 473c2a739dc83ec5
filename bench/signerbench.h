// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "benchtemplate.h"

#include <QString>
#include <array>

// The built-in signer against pgpgpg, its library's raw signatures and the
// bare publication loop, in a throw-away GnuPG home with an ed25519 and an
// RSA 3072 key. Each figure is the median of the repetitions; negative when a
// step failed or gpg rejected a signature it made.
struct SignerFigures {
    enum Figure {
        Pgpgpg,         // ms, one pgpgpg signature of the text (of 20)
        Keyring,        // ms, key found and exported by gpg, then unlocked
        Unlock,         // ms, the same key from a file: read and unlocked alone
        FirstFile,      // ms, from the keyring to the first signed file
        RawEd25519,     // ms, one librnp ed25519 signature of the same copy in memory
        RsaReady,       // ms, an RSA signer made and its first signature
        RawRsa,         // ms, one librnp RSA 3072 signature of the same copy in memory
        BotanRsa,       // ms, Botan's own RSA 3072 signature (`botan speed`), once
        Publication,    // ms per number, publicationLoopMs() of the ed25519 copies
        Ed25519Run,     // ms per number, a whole sealmill-press run, `numbers` numbers
        Ed25519Peak,    // MiB, that run's peak resident size
        VerifyRun,      // ms per number, sealmill-press --verify of that run's copies
        RsaOneWorker,   // ms per number, RSA, a fifth as many numbers, --jobs 1
        RsaAllWorkers,  // ms per number, the same with --jobs <cores>
        ThousandRun,    // ms per number, ed25519, 1,000 numbers
        ThousandPeak,   // MiB, that run's peak resident size
        LargeRun,       // ms per number, ed25519, `largeNumbers` numbers, once
        LargePeak,      // MiB, that run's peak resident size
        Count
    };
    std::array<double, Count> values{};
    QString loads;  // the one-minute load average before each run on every core
    QString error;  // why the GnuPG home could not be made

    [[nodiscard]] double operator[](Figure figure) const { return values.at(figure); }
};

// `numbers` ed25519 numbers per repetition; no large run when `largeNumbers` is 0.
[[nodiscard]] SignerFigures measureSigner(const BenchTemplate& text, const QString& dir, int reps,
                                          int numbers, int largeNumbers);
