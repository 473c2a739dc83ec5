// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "benchtemplate.h"

#include <QString>

// What a press run is measured against, each timed over `numbers` serial
// numbers into an empty directory and returned as milliseconds per number.
// A negative result means the loop failed.

// The floor: writes each already substituted work file, starts the signer
// through posix_spawn, waits for it and deletes the work file.
[[nodiscard]] double spawnLoopMs(const BenchTemplate& text, const QString& signer,
                                 const QString& dir, int numbers);

// The same loop with the signer started and awaited through QProcess.
[[nodiscard]] double qprocessLoopMs(const BenchTemplate& text, const QString& signer,
                                    const QString& dir, int numbers);

// The least a run of the built-in signer must do to publish `numbers` signed
// copies of `signedCopy`'s size, with the run's own batched wait for the disk:
// per number an lstat of the output name, a new file written and its
// writeback started; a background wait (fdatasync of a lone copy, syncfs
// for more) for the copies gathered so far, at most 256 of them, before they
// are moved to their output names without replacing; the folder flushed at
// the end. Its files go to `dir`.
[[nodiscard]] double publicationLoopMs(const QString& dir, int numbers,
                                       const QByteArray& signedCopy);

// What a user would write instead: a POSIX shell loop of sed, the signer, rm.
[[nodiscard]] double shellLoopMs(const QString& templateFile, const QString& signer,
                                 const QString& dir, int numbers);
