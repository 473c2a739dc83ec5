// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/copyregister.h"

#include <QList>
#include <QString>
#include <optional>

namespace sealmill {

// The register of issued copies that a press run keeps:
// one record per published copy, with its hash and the key that signed it.
class PressRegister {
public:
    // Throws SealmillError when the register cannot be opened.
    PressRegister(const QString& path, const QString& outputDir, const QString& pattern);
    ~PressRegister() = default;
    Q_DISABLE_COPY_MOVE(PressRegister)

    // Why a run of `first` to `last` may not add to the register at `path`:
    // it names one of those numbers, or holds a broken line. Throws
    // SealmillError when it cannot be read.
    [[nodiscard]] static std::optional<QString> refusal(const QString& path, qint64 first,
                                                        qint64 last);

    // Records the copies just published, once the folder's entries for them
    // are on disk. Throws SealmillError when that fails.
    void recordPublished(const QList<qint64>& serials);

private:
    CopyRegister register_;
    QString outputDir_;
    QString pattern_;
};

}  // namespace sealmill
