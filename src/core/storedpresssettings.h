#pragma once

#include "presssettings.h"

namespace sealmill {

// Settings held as plain values, for callers without a window: the command
// line, the benchmark and the tests. Named after the window's fields.
struct StoredPressSettings : PressSettings {
    QString runDir;
    QString pgpDir;
    QString serialFrom;
    QString serialTo;
    QString runName;
    QString pgpId;
    QString pass;

    [[nodiscard]] QString outputDirectoryText() const override { return runDir; }
    [[nodiscard]] QString signerPath() const override { return pgpDir; }
    [[nodiscard]] QString serialFromText() const override { return serialFrom; }
    [[nodiscard]] QString serialToText() const override { return serialTo; }
    [[nodiscard]] QString namePattern() const override { return runName; }
    [[nodiscard]] QString keyId() const override { return pgpId; }
    [[nodiscard]] QString passPhrase() const override { return pass; }
};

}  // namespace sealmill
