#include "pressfakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

char* sealmill::toString(PressResult result) {
    static constexpr const char* kNames[] = {"Refused",   "AlreadyRunning", "Succeeded",
                                             "Cancelled", "OutputExists",   "SignerFailed",
                                             "RangeLost", "FileFailed"};
    return qstrdup(kNames[static_cast<int>(result)]);
}

using sealmill::SignerOutcome;
using sealmill::SignerRequest;

void RecordingSink::runStarted() {
    log << QStringLiteral("started");
}

void RecordingSink::progress(int position, const QString& status) {
    positions << position;
    statuses << status;
    log << QStringLiteral("progress %1 %2").arg(position).arg(status);
}

void RecordingSink::error(const QString& text, const QString& details) {
    errors << text;
    errorDetails << details;
    log << QStringLiteral("error ") + text;
}

void RecordingSink::failure(const QString& message) {
    failures << message;
    log << QStringLiteral("failure ") + message;
}

void RecordingSink::idle() {
    log << QStringLiteral("idle");
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

int RecordingSink::count(const QString& prefix) const {
    int n = 0;
    for (const QString& entry : log) {
        n += entry.startsWith(prefix) ? 1 : 0;
    }
    return n;
}

std::function<SignerOutcome(const SignerRequest&, const std::function<void()>&)>
FakeSigner::function() {
    return [this](const SignerRequest& request, const std::function<void()>& whileWaiting) {
        return sign(request, whileWaiting);
    };
}

SignerOutcome FakeSigner::sign(const SignerRequest& request,
                               const std::function<void()>& whileWaiting) {
    requests << request;
    QFile work(request.workFile);
    workTexts << (work.open(QIODevice::ReadOnly) ? work.readAll() : QByteArray());
    workPermissions << permissionText(request.workFile);
    const QString snapshot =
        QFileInfo(request.workFile).path() + QStringLiteral("/SealmillTemplate.tmp");
    snapshotPermissions << permissionText(snapshot);
    if (whileWaiting) {
        whileWaiting();
    }
    SignerOutcome outcome{SignerOutcome::Ending::Exited, 0, QByteArrayLiteral("fake signer said")};
    if (act) {
        act(request, outcome);
    }
    if (writeOutput) {
        QFile out(request.outputFile);
        if (out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            out.write("signed:" + workTexts.last());
        }
    }
    return outcome;
}

QString permissionText(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    static const QFileDevice::Permission kBits[] = {
        QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner,
        QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup,
        QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther};
    QString text;
    for (int i = 0; i < 9; ++i) {
        text += info.permissions().testFlag(kBits[i]) ? QChar::fromLatin1("rwx"[i % 3]) : u'-';
    }
    return text;
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

PressRig::PressRig(const QString& templateText)
    : temp(QStringLiteral("/tmp/sm-XXXXXX")),
      outDir(temp.path() + QStringLiteral("/out")),
      doc(templateText),
      loop(doc, settings, sink, signer.function()) {
    QDir().mkpath(outDir);
    settings.runDir = outDir;
    settings.pgpDir = temp.filePath(QStringLiteral("signer"));
    QFile signerFile(settings.pgpDir);
    (void)signerFile.open(QIODevice::WriteOnly);
}
