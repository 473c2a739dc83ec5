#include "pressrig.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

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

// A plain event loop, as the programs run one: QTest's waits sleep between rounds.
sealmill::PressOutcome PressRig::run() {
    outcome.reset();
    QEventLoop loop;
    QObject::connect(&job, &sealmill::PressJob::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    job.start(text, signer);
    if (!outcome) {
        loop.exec();
    }
    return outcome.value_or(sealmill::PressOutcome{
        sealmill::PressResult::Refused, QStringLiteral("never ended"), {}, 0});
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
