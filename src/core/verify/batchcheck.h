// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/copyregister.h"
#include "core/text/templatefile.h"
#include "core/verify/copyproblem.h"

#include <QByteArrayView>
#include <QString>

namespace sealmill {

class VerifyingKey;

// What a batch check looks at: the run's own settings.
struct BatchCheckSettings {
    QString outputDirectory;  // as the user gave it
    QString namePattern;
    qint64 first = 1;
    qint64 last = 1;
    int threads = 0;  // 0: one per core
    // The register of issued copies to hold the files against, and its path.
    const RegisterReading* issued = nullptr;
    QString registerPath;
};

// Where a batch check reports, always on the thread that called checkBatch().
class BatchCheckSink {
public:
    BatchCheckSink() = default;
    virtual ~BatchCheckSink() = default;
    Q_DISABLE_COPY_MOVE(BatchCheckSink)

    // In the order of the numbers, then the stray files by number.
    virtual void found(const CopyProblem& problem) = 0;
    // After each number, in order.
    virtual void checked(qint64 serial) = 0;
    // Asked now and then; true ends the check early.
    [[nodiscard]] virtual bool stopRequested() { return false; }
};

struct BatchCheckSummary {
    qint64 checked = 0;    // numbers looked at
    qint64 good = 0;       // of them without a problem
    qint64 strays = 0;     // extra and leftover files
    bool stopped = false;  // stopRequested() ended it
};

// Checks every number's output file on several threads: a whole, single
// clear-signed message, read with a bound, with a good signature by `key` or
// one of its subkeys, made while the key was valid, over this number's copy
// of `text` as a run encodes it (compared under the cleartext framework's
// rules); then lists the stray files of the folder. Holds a bounded number of
// files at a time, whatever the count. Throws SealmillError when it cannot
// check at all (the folder cannot be read, the text cannot be encoded).
[[nodiscard]] BatchCheckSummary checkBatch(const TemplateFileText& text, const VerifyingKey& key,
                                           const BatchCheckSettings& settings,
                                           BatchCheckSink& sink);

// The first line of `copy` (1 for the first) that the cleartext framework
// tells apart from `signedText`, 0 when none: lines end at LF, a CR before it,
// spaces and tabs at their ends are not signed, nor is the copy's final line
// break.
[[nodiscard]] qsizetype firstDifferentLine(QByteArrayView signedText, QByteArrayView copy);

}  // namespace sealmill
