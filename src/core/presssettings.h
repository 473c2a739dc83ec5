#pragma once

#include <QString>

namespace sealmill {

// Where a press run reads its settings. Every getter returns the current text,
// so a change made while a run is under way shows at the next read; the press
// loop decides when each one is read.
class PressSettings {
public:
    PressSettings() = default;
    PressSettings(const PressSettings&) = delete;
    PressSettings& operator=(const PressSettings&) = delete;
    PressSettings(PressSettings&&) = delete;
    PressSettings& operator=(PressSettings&&) = delete;
    virtual ~PressSettings() = default;

    [[nodiscard]] virtual QString outputDirectoryText() const = 0;  // RUNdir
    [[nodiscard]] virtual QString signerPath() const = 0;           // PGPdir
    [[nodiscard]] virtual QString serialFromText() const = 0;       // SerialFrom
    [[nodiscard]] virtual QString serialToText() const = 0;         // SerialTo
    [[nodiscard]] virtual QString namePattern() const = 0;          // RunName
    [[nodiscard]] virtual QString keyId() const = 0;                // PGPid
    [[nodiscard]] virtual QString passPhrase() const = 0;           // PassPhrase
};

}  // namespace sealmill
