#pragma once

#include "memorytemplate.h"
#include "pressloop.h"
#include "presssink.h"
#include "storedpresssettings.h"

#include <QFile>
#include <QMetaType>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace sealmill {
[[nodiscard]] char* toString(PressResult result);  // readable QCOMPARE failures
}  // namespace sealmill
Q_DECLARE_METATYPE(sealmill::PressResult)

// One log entry per call, e.g. "progress 20 1 of 5 processed", "error <text>|<details>".
struct RecordingSink final : sealmill::PressSink {
    QStringList log;
    QList<int> positions;
    int tag = 0;
    std::function<void()> onPendingEvents;  // a user acting between two numbers

    void runStarted() override { log << QStringLiteral("started"); }
    void progress(int position, const QString& status) override {
        positions << position;
        log << QStringLiteral("progress %1 %2").arg(position).arg(status);
    }
    void error(const QString& text, const QString& details) override {
        log << QStringLiteral("error ") + text + u'|' + details;
    }
    void failure(const QString& message) override { log << QStringLiteral("failure ") + message; }
    void idle() override { log << QStringLiteral("idle"); }
    void succeeded() override;  // then closes the window: a cancel request
    void processPendingEvents() override;
    void whileSignerRuns() override {}
    [[nodiscard]] int cancelTag() const override { return tag; }
    void setCancelTag(int value) override { tag = value; }
};

// Signs in-process into "signed:<work file>", exit 0, unless `act` says otherwise.
struct FakeSigner {
    QList<sealmill::SignerRequest> requests;
    QList<QByteArray> workTexts;
    QList<QFile::Permissions> workPermissions;  // of the work file and of the snapshot
    bool writeOutput = true;
    std::function<void(const sealmill::SignerRequest&, sealmill::SignerOutcome&)> act;

    sealmill::SignerOutcome sign(const sealmill::SignerRequest& request);
};

[[nodiscard]] QStringList filesIn(const QString& dir);

// FAKESIGNER_ settings such as "EXIT=11;PRINT=x", in the environment that the
// signer stand-in inherits, for as long as this lives.
class FakeSignerSettings {
public:
    explicit FakeSignerSettings(const QByteArray& settings);
    ~FakeSignerSettings();
    FakeSignerSettings(const FakeSignerSettings&) = delete;
    FakeSignerSettings& operator=(const FakeSignerSettings&) = delete;
    FakeSignerSettings(FakeSignerSettings&&) = delete;
    FakeSignerSettings& operator=(FakeSignerSettings&&) = delete;

private:
    QByteArrayList names_;
};

// A loop whose output directory is <short temporary path>/out, with a signer file.
struct PressRig {
    explicit PressRig(const QString& templateText = QStringLiteral("Serial @SERIAL@\nfixed\n"));

    QTemporaryDir temp;
    QString outDir;
    sealmill::StoredPressSettings settings;
    RecordingSink sink;
    FakeSigner signer;
    sealmill::MemoryTemplate doc;
    sealmill::PressLoop loop;

    [[nodiscard]] QString out(const QString& name) const { return outDir + u'/' + name; }
};
