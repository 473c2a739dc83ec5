#include "pressrig.h"

#include <QDir>
#include <QFile>
#include <QTest>

PressRig::PressRig(const QString& templateText)
    : temp(QStringLiteral("/tmp/sm-XXXXXX")),
      outDir(temp.path() + QStringLiteral("/out")),
      text{templateText, sealmill::TextEncoding::Utf8},
      job(settings) {
    QDir().mkpath(outDir);
    settings.serialFrom = settings.serialTo = QStringLiteral("1");
    settings.runName = QStringLiteral("out@SERIAL@.asc");
    settings.runDir = outDir;
    settings.pgpDir = QStringLiteral(SEALMILL_FAKE_SIGNER);
    QObject::connect(&job, &sealmill::PressJob::started, &job,
                     [this] { log << QStringLiteral("started"); });
    QObject::connect(&job, &sealmill::PressJob::progressed, &job,
                     [this](int position, const QString& status) {
                         log << QStringLiteral("progress %1 %2").arg(position).arg(status);
                     });
    QObject::connect(&job, &sealmill::PressJob::cancelling, &job,
                     [this](qint64 serial) { log << QStringLiteral("cancelling %1").arg(serial); });
    QObject::connect(&job, &sealmill::PressJob::finished, &job,
                     [this](const sealmill::PressOutcome& ended) { outcome = ended; });
}

sealmill::PressOutcome PressRig::run() {
    outcome.reset();
    job.start(text, signer);
    if (!QTest::qWaitFor([this] { return outcome.has_value(); }, 30000)) {
        return {sealmill::PressResult::Refused, QStringLiteral("the run never ended"), {}, 0};
    }
    return *outcome;
}

QStringList PressRig::entries() const {
    return QDir(outDir).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

FakeSignerSettings::FakeSignerSettings(const QByteArray& settings) {
    for (const QByteArray& setting : settings.split(';')) {
        if (const qsizetype at = setting.indexOf('='); at > 0) {
            names_ << "FAKESIGNER_" + setting.left(at);
            qputenv(names_.constLast().constData(), setting.mid(at + 1));
        }
    }
}

FakeSignerSettings::~FakeSignerSettings() {
    for (const QByteArray& name : std::as_const(names_)) {
        qunsetenv(name.constData());
    }
}
