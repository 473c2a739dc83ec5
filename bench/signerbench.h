// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "benchtemplate.h"

#include <QString>

// The built-in signer on its own, against pgpgpg with the same ed25519 key, in
// a throw-away GnuPG home that also holds an RSA 3072 key. Milliseconds, each
// the median of the repetitions; negative when a step failed or gpg rejected
// a signature it made.
struct SignerFigures {
    double pgpgpg = -1;         // one pgpgpg signature of the text (of 20)
    double keyring = -1;        // key found and exported by gpg, then unlocked
    double unlock = -1;         // the same key from a file: read and unlocked alone
    double firstFile = -1;      // from the keyring to the first signed file
    double inMemory = -1;       // one signature of a numbered copy, in memory
    double toFile = -1;         // the same, written to a new file
    double rsaReady = -1;       // RSA: a signer made and its first signature
    double rsaOneThread = -1;   // RSA: per signature, one thread
    double rsaTwoThreads = -1;  // RSA: per signature, two threads with a signer each
    double pressRun = -1;       // a whole sealmill-press run with it, per number
    double verifyRun = -1;      // sealmill-press --verify of that run's copies, per number
    QString error;              // why the GnuPG home could not be made
};

// `signatures` ed25519 signatures per repetition, a tenth as many RSA ones.
[[nodiscard]] SignerFigures measureSigner(const BenchTemplate& text, const QString& dir, int reps,
                                          int signatures);
