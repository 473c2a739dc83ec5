// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/pressjob.h"
#include "core/press/storedpresssettings.h"
#include "core/signing/program/programsigner.h"

#include <QtTest>
#include <optional>

// A press job with the real signer launch and the signer stand-in, pressing
// into <short temporary path>/out as "out<n>.asc", numbers 1 to 1.
struct PressRig {
    explicit PressRig(const QString& templateText = QStringLiteral("Serial @SERIAL@\nfixed\n"))
        : text{templateText, sealmill::TextEncoding::Utf8}, job(settings) {
        QDir().mkpath(outDir);
        settings.serialFrom = settings.serialTo = QStringLiteral("1");
        settings.pattern = QStringLiteral("out@SERIAL@.asc");
        settings.outputDir = outDir;
        settings.signerProgram = QStringLiteral(SEALMILL_FAKE_SIGNER);
        using sealmill::PressJob;
        QObject::connect(&job, &PressJob::started, &job, [this] { log << u"started"_qs; });
        QObject::connect(&job, &PressJob::progressed, &job, [this](int at, const QString& status) {
            log << QStringLiteral("progress %1 %2").arg(at).arg(status);
        });
        QObject::connect(&job, &PressJob::noted, &job,
                         [this](const QString& text) { log << u"noted "_qs + text; });
        QObject::connect(&job, &PressJob::cancelling, &job, [this](qint64 first, qint64 last) {
            log << QStringLiteral("cancelling %1 to %2").arg(first).arg(last);
        });
        QObject::connect(&job, &PressJob::finished, &job,
                         [this](const sealmill::PressOutcome& ended) { outcome = ended; });
    }

    // Starts the job and waits for its end in a plain event loop, as the
    // programs run one (QTest's waits sleep between rounds). A run that never
    // ends fails the calling test with a Refused outcome saying so.
    sealmill::PressOutcome run() { return run(signer); }
    sealmill::PressOutcome run(sealmill::Signer& with) {
        outcome.reset();
        QEventLoop loop;
        QObject::connect(&job, &sealmill::PressJob::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        job.start(text, with);
        if (!outcome) {
            loop.exec();
        }
        return outcome.value_or(sealmill::PressOutcome{
            sealmill::PressResult::Refused, QStringLiteral("never ended"), {}, 0});
    }

    [[nodiscard]] QString out(const QString& name) const { return outDir + u'/' + name; }
    // Everything in the output directory, hidden entries and links included.
    [[nodiscard]] QStringList entries() const {
        return QDir(outDir).entryList(
            QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    }

    QTemporaryDir temp{QStringLiteral("/tmp/sm-XXXXXX")};
    QString outDir = temp.path() + QStringLiteral("/out");
    sealmill::TemplateFileText text;
    sealmill::StoredPressSettings settings;
    sealmill::ProgramSigner signer;
    sealmill::PressJob job;
    QStringList log;  // "started", "progress 20 1 of 5 processed", "cancelling 2 to 2"
    std::optional<sealmill::PressOutcome> outcome;
};

// The file's bytes, or "<missing>"; and a new file of `bytes`.
[[nodiscard]] inline QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// FAKESIGNER_ settings such as "EXIT=11;PRINT=x", in the environment that the
// signer stand-in inherits, for as long as this lives.
class FakeSignerSettings {
public:
    explicit FakeSignerSettings(const QByteArray& settings) {
        for (const QByteArray& setting : settings.split(';')) {
            if (const qsizetype at = setting.indexOf('='); at > 0) {
                names_ << "FAKESIGNER_" + setting.left(at);
                qputenv(names_.constLast().constData(), setting.mid(at + 1));
            }
        }
    }
    ~FakeSignerSettings() {
        for (const QByteArray& name : std::as_const(names_)) {
            qunsetenv(name.constData());
        }
    }
    Q_DISABLE_COPY_MOVE(FakeSignerSettings)

private:
    QByteArrayList names_;
};
