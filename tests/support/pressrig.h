#pragma once

#include "pressjob.h"
#include "programsigner.h"
#include "storedpresssettings.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

// A press job with the real signer launch and the signer stand-in, pressing
// into <short temporary path>/out as "out<n>.asc", numbers 1 to 1.
struct PressRig {
    explicit PressRig(const QString& templateText = QStringLiteral("Serial @SERIAL@\nfixed\n"));

    // Starts the job and waits for its end; a run that never ends fails the
    // calling test with a Refused outcome saying so.
    sealmill::PressOutcome run();

    [[nodiscard]] QString out(const QString& name) const { return outDir + u'/' + name; }
    // Everything in the output directory, hidden entries and links included.
    [[nodiscard]] QStringList entries() const;

    QTemporaryDir temp;
    QString outDir;
    sealmill::TemplateFileText text;
    sealmill::StoredPressSettings settings;
    sealmill::ProgramSigner signer;
    sealmill::PressJob job;
    QStringList log;  // "started", "progress 20 1 of 5 processed", "cancelling 2"
    std::optional<sealmill::PressOutcome> outcome;
};

[[nodiscard]] QByteArray contents(const QString& path);

// FAKESIGNER_ settings such as "EXIT=11;PRINT=x", in the environment that the
// signer stand-in inherits, for as long as this lives.
class FakeSignerSettings {
public:
    explicit FakeSignerSettings(const QByteArray& settings);
    ~FakeSignerSettings();
    Q_DISABLE_COPY_MOVE(FakeSignerSettings)

private:
    QByteArrayList names_;
};
