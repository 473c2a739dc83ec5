#include "pressfakes.h"

#include <QDir>
#include <QFileInfo>

char* sealmill::toString(PressResult result) {
    static constexpr const char* kNames[] = {"Refused",   "AlreadyRunning", "Succeeded",
                                             "Cancelled", "OutputExists",   "SignerFailed",
                                             "RangeLost", "FileFailed"};
    return qstrdup(kNames[static_cast<int>(result)]);
}

void RecordingSink::succeeded() {
    log << QStringLiteral("succeeded");
    tag = -1;
}

void RecordingSink::processPendingEvents() {
    log << QStringLiteral("events");
    if (onPendingEvents) {
        onPendingEvents();
    }
}

sealmill::SignerOutcome FakeSigner::sign(const sealmill::SignerRequest& request) {
    requests << request;
    QFile work(request.workFile);
    workTexts << (work.open(QIODevice::ReadOnly) ? work.readAll() : QByteArray());
    workPermissions << work.permissions()
                    << QFile::permissions(QFileInfo(request.workFile).path() +
                                          QStringLiteral("/SealmillTemplate.tmp"));
    sealmill::SignerOutcome outcome{sealmill::SignerOutcome::Ending::Exited, 0, "signer said"};
    if (act) {
        act(request, outcome);
    }
    QFile out(request.outputFile);
    if (writeOutput && out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        out.write("signed:" + workTexts.last());
    }
    return outcome;
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
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

PressRig::PressRig(const QString& templateText)
    : temp(QStringLiteral("/tmp/sm-XXXXXX")),
      outDir(temp.path() + QStringLiteral("/out")),
      doc(templateText),
      loop(doc, settings, sink,
           [this](const auto& request, const auto&) { return signer.sign(request); }) {
    QDir().mkpath(outDir);
    settings.serialFrom = settings.serialTo = QStringLiteral("1");
    settings.runName = QStringLiteral("out@SERIAL@.asc");
    settings.runDir = outDir;
    settings.pgpDir = temp.filePath(QStringLiteral("signer"));
    (void)QFile(settings.pgpDir).open(QIODevice::WriteOnly);
}
