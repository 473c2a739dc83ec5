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
    const QFileDevice::Permissions p = info.permissions();
    const auto bit = [&](QFileDevice::Permission flag, char c) {
        return QChar::fromLatin1(p.testFlag(flag) ? c : '-');
    };
    return QString() + bit(QFileDevice::ReadOwner, 'r') + bit(QFileDevice::WriteOwner, 'w') +
           bit(QFileDevice::ExeOwner, 'x') + bit(QFileDevice::ReadGroup, 'r') +
           bit(QFileDevice::WriteGroup, 'w') + bit(QFileDevice::ExeGroup, 'x') +
           bit(QFileDevice::ReadOther, 'r') + bit(QFileDevice::WriteOther, 'w') +
           bit(QFileDevice::ExeOther, 'x');
}

QStringList filesIn(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    return names;
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
