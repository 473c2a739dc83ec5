// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"

#include <QString>
#include <QtGlobal>

namespace sealmill {

// Where a press run reads its settings. Every getter returns the current text,
// so a change made while a run is under way shows at the next read; the press
// job decides when each one is read.
class PressSettings {
public:
    PressSettings() = default;
    virtual ~PressSettings() = default;
    Q_DISABLE_COPY_MOVE(PressSettings)

    [[nodiscard]] virtual QString outputDirectoryText() const = 0;
    [[nodiscard]] virtual QString signerPath() const = 0;
    [[nodiscard]] virtual QString serialFromText() const = 0;
    [[nodiscard]] virtual QString serialToText() const = 0;
    [[nodiscard]] virtual QString namePattern() const = 0;
    [[nodiscard]] virtual QString keyId() const = 0;
    // In the local encoding, in a buffer of the caller's own: a signer takes
    // it once per run, in prepare().
    [[nodiscard]] virtual SecretBytes passPhrase() const = 0;
};

}  // namespace sealmill
