#pragma once

#include "presssettings.h"

class TPressRun;

// The press run window's fields as the run's settings, read live.
class WindowPressSettings final : public sealmill::PressSettings {
public:
    explicit WindowPressSettings(const TPressRun& window) : window_(window) {}

    [[nodiscard]] QString outputDirectoryText() const override;
    [[nodiscard]] QString signerPath() const override;
    [[nodiscard]] QString serialFromText() const override;
    [[nodiscard]] QString serialToText() const override;
    [[nodiscard]] QString namePattern() const override;
    [[nodiscard]] QString keyId() const override;
    [[nodiscard]] QString passPhrase() const override;

private:
    const TPressRun& window_;
};
