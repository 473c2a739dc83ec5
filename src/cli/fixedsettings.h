#pragma once

#include "presssettings.h"

// Settings that do not change during a run: the command line's.
class FixedSettings final : public sealmill::PressSettings {
public:
    QString outputDirectory;
    QString signer;
    QString from;
    QString to;
    QString pattern;
    QString key;
    QString passphrase;

    [[nodiscard]] QString outputDirectoryText() const override { return outputDirectory; }
    [[nodiscard]] QString signerPath() const override { return signer; }
    [[nodiscard]] QString serialFromText() const override { return from; }
    [[nodiscard]] QString serialToText() const override { return to; }
    [[nodiscard]] QString namePattern() const override { return pattern; }
    [[nodiscard]] QString keyId() const override { return key; }
    [[nodiscard]] QString passPhrase() const override { return passphrase; }
};
