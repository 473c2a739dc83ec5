// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/presssettings.h"

class PressRunWindow;

// The press run window's fields as the run's settings, read live.
class WindowPressSettings final : public sealmill::PressSettings {
public:
    explicit WindowPressSettings(const PressRunWindow& window) : window_(window) {}

    [[nodiscard]] QString outputDirectoryText() const override;
    [[nodiscard]] QString signerPath() const override;
    [[nodiscard]] QString serialFromText() const override;
    [[nodiscard]] QString serialToText() const override;
    [[nodiscard]] QString namePattern() const override;
    [[nodiscard]] QString keyId() const override;
    [[nodiscard]] sealmill::SecretBytes passPhrase() const override;

private:
    const PressRunWindow& window_;
};
