#include "gnupghome.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

constexpr int kGpgTimeoutMs = 120000;

bool writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

}  // namespace

GnupgHome::GnupgHome()
    // Short: the agent's socket lives in the home and socket paths are limited.
    : dir_(QStringLiteral("/tmp/gpg-XXXXXX")),
      savedHome_(qgetenv("GNUPGHOME")),
      hadHome_(qEnvironmentVariableIsSet("GNUPGHOME")) {
    if (!dir_.isValid() || gpgProgram().isEmpty()) {
        error_ = QStringLiteral("no temporary directory or no gpg");
        return;
    }
    QFile::setPermissions(dir_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The front end hands the pass phrase over a file descriptor, which gpg
    // takes only with loopback pinentry.
    if (!writeText(dir_.filePath(QStringLiteral("gpg.conf")), "pinentry-mode loopback\n") ||
        !writeText(dir_.filePath(QStringLiteral("gpg-agent.conf")), "allow-loopback-pinentry\n")) {
        error_ = QStringLiteral("cannot write the configuration");
        return;
    }
    qputenv("GNUPGHOME", QFile::encodeName(dir_.path()));
    if (!runGpg({QStringLiteral("--passphrase"), passPhrase(), QStringLiteral("--quick-gen-key"),
                 userId(), QStringLiteral("ed25519"), QStringLiteral("sign"),
                 QStringLiteral("never")})) {
        error_ = QStringLiteral("key generation failed");
        return;
    }
    QByteArray listing;
    if (!runGpg({QStringLiteral("--with-colons"), QStringLiteral("--list-secret-keys"), userId()},
                &listing)) {
        error_ = QStringLiteral("cannot list the key");
        return;
    }
    for (const QByteArray& line : listing.split('\n')) {
        if (line.startsWith("fpr:")) {
            fingerprint_ = QString::fromLatin1(line.split(':').value(9));
            break;
        }
    }
    ready_ = !fingerprint_.isEmpty();
    if (!ready_) {
        error_ = QStringLiteral("no fingerprint for the new key");
    }
}

GnupgHome::~GnupgHome() {
    const QString gpgconf = QStandardPaths::findExecutable(QStringLiteral("gpgconf"));
    if (!gpgconf.isEmpty() && dir_.isValid()) {
        QProcess::execute(gpgconf, {QStringLiteral("--homedir"), dir_.path(),
                                    QStringLiteral("--kill"), QStringLiteral("all")});
    }
    if (hadHome_) {
        qputenv("GNUPGHOME", savedHome_);
    } else {
        qunsetenv("GNUPGHOME");
    }
}

QString GnupgHome::pgpgpgProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("pgpgpg"));
}

QString GnupgHome::gpgProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("gpg"));
}

QString GnupgHome::userId() {
    return QStringLiteral("Sealmill Test <test@example.invalid>");
}

QString GnupgHome::passPhrase() {
    return QStringLiteral("mill \"stone\" 42");
}

QString GnupgHome::goodSignatureBy(const QString& file) const {
    QByteArray status;
    if (!runGpg(
            {QStringLiteral("--status-fd"), QStringLiteral("1"), QStringLiteral("--verify"), file},
            &status)) {
        return {};
    }
    bool good = false;
    QString signer;
    for (const QByteArray& line : status.split('\n')) {
        good = good || line.startsWith("[GNUPG:] GOODSIG ");
        if (line.startsWith("[GNUPG:] VALIDSIG ")) {
            signer = QString::fromLatin1(line.split(' ').value(2));
        }
    }
    return good ? signer : QString();
}

QByteArray GnupgHome::signedText(const QString& file) const {
    QByteArray text;
    return runGpg(
               {QStringLiteral("--output"), QStringLiteral("-"), QStringLiteral("--decrypt"), file},
               &text)
               ? text
               : QByteArray();
}

bool GnupgHome::runGpg(const QStringList& arguments, QByteArray* out) const {
    QProcess gpg;
    gpg.setProgram(gpgProgram());
    gpg.setArguments(
        QStringList{QStringLiteral("--batch"), QStringLiteral("--homedir"), dir_.path()} +
        arguments);
    gpg.setStandardInputFile(QProcess::nullDevice());
    gpg.start();
    if (!gpg.waitForFinished(kGpgTimeoutMs) || gpg.exitStatus() != QProcess::NormalExit) {
        gpg.kill();
        gpg.waitForFinished();
        return false;
    }
    if (out != nullptr) {
        *out = gpg.readAllStandardOutput();
    }
    return gpg.exitCode() == 0;
}
