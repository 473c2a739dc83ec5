#pragma once

#include "memorytemplate.h"
#include "pressloop.h"
#include "presssink.h"
#include "signer.h"
#include "storedpresssettings.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace sealmill {
// Readable results in QCOMPARE failures.
[[nodiscard]] char* toString(PressResult result);
}  // namespace sealmill
Q_DECLARE_METATYPE(sealmill::PressResult)

// Test doubles for the press loop: settings a test can change at any moment,
// a sink that records what the user would see, and an in-process signer.

// Defaults that let a run start once a test names its directory and signer.
struct MemorySettings final : sealmill::StoredPressSettings {
    MemorySettings() {
        serialFrom = serialTo = QStringLiteral("1");
        runName = QStringLiteral("out@SERIAL@.asc");
        pgpId = QStringLiteral("key");
        pass = QStringLiteral("pass");
    }
};

struct RecordingSink final : sealmill::PressSink {
    // One entry per call, e.g. "started", "progress 20 1 of 5 processed",
    // "error <text>", "failure <message>", "idle", "succeeded", "events".
    QStringList log;
    QList<int> positions;
    QStringList statuses;
    QStringList errors;
    QStringList errorDetails;
    QStringList failures;
    int tag = 0;
    int signerWaits = 0;
    std::function<void()> onPendingEvents;  // a user acting between two numbers

    void runStarted() override;
    void progress(int position, const QString& status) override;
    void error(const QString& text, const QString& details) override;
    void failure(const QString& message) override;
    void idle() override;
    void succeeded() override;  // then closes the window: a cancel request
    void processPendingEvents() override;
    void whileSignerRuns() override { ++signerWaits; }
    [[nodiscard]] int cancelTag() const override { return tag; }
    void setCancelTag(int value) override { tag = value; }

    [[nodiscard]] int count(const QString& prefix) const;
};

// Signs in-process: by default writes "signed:" plus the work file's bytes to
// the output file and exits with 0. `act` runs after it read the work file
// and may change the outcome or do harm.
struct FakeSigner {
    QList<sealmill::SignerRequest> requests;
    QList<QByteArray> workTexts;  // the work file as the signer saw it
    QStringList workPermissions;  // "rw-------"-style for the work file
    QStringList snapshotPermissions;
    bool writeOutput = true;
    std::function<void(const sealmill::SignerRequest&, sealmill::SignerOutcome&)> act;

    [[nodiscard]] std::function<sealmill::SignerOutcome(const sealmill::SignerRequest&,
                                                        const std::function<void()>&)>
    function();

    sealmill::SignerOutcome sign(const sealmill::SignerRequest& request,
                                 const std::function<void()>& whileWaiting);
};

// "rw-r--r--"-style permissions of a file, or "" when there is none.
[[nodiscard]] QString permissionText(const QString& path);

// The files in a directory, sorted.
[[nodiscard]] QStringList filesIn(const QString& dir);

// A loop over a MemoryTemplate in a fresh directory whose path is short enough
// for the output directory limit. The signer path names an existing file;
// the output directory is <dir>/out.
struct PressRig {
    explicit PressRig(const QString& templateText = QStringLiteral("Serial @SERIAL@\nfixed\n"));

    QTemporaryDir temp;
    QString outDir;
    MemorySettings settings;
    RecordingSink sink;
    FakeSigner signer;
    sealmill::MemoryTemplate doc;
    sealmill::PressLoop loop;

    [[nodiscard]] QString out(const QString& name) const { return outDir + u'/' + name; }
};
