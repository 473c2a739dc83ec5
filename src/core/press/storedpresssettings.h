// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/presssettings.h"

namespace sealmill {

// Settings held as plain values, for callers without a window: the command
// line, the benchmark and the tests. Named after the window's fields.
struct StoredPressSettings : PressSettings {
    QString outputDir;
    QString signerProgram;
    QString serialFrom;
    QString serialTo;
    QString pattern;
    QString key;
    SecretBytes pass;  // clear it once the signer has taken it

    [[nodiscard]] QString outputDirectoryText() const override { return outputDir; }
    [[nodiscard]] QString signerPath() const override { return signerProgram; }
    [[nodiscard]] QString serialFromText() const override { return serialFrom; }
    [[nodiscard]] QString serialToText() const override { return serialTo; }
    [[nodiscard]] QString namePattern() const override { return pattern; }
    [[nodiscard]] QString keyId() const override { return key; }
    [[nodiscard]] SecretBytes passPhrase() const override { return SecretBytes(pass.view()); }
};

}  // namespace sealmill
