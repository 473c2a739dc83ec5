#include "gnupghome.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

GnupgHome::GnupgHome(int rsaBits, bool signingSubkey) {
    const auto write = [this](const QString& name, const QByteArray& text) {
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    // pgpgpg hands the pass phrase over a file descriptor: gpg needs loopback pinentry.
    if (!dir_.isValid() || gpgProgram().isEmpty() ||
        !write(u"gpg.conf"_s, "pinentry-mode loopback\n") ||
        !write(u"gpg-agent.conf"_s, "allow-loopback-pinentry\n")) {
        error_ = u"no temporary directory or no gpg"_s;
        return;
    }
    qputenv("GNUPGHOME", QFile::encodeName(dir_.path()));
    fingerprint_ = makeKey(userId(), u"ed25519"_s);
    if (signingSubkey) {
        subkeyFingerprint_ = addSigningSubkey();
    }
    if (rsaBits > 0) {
        rsaFingerprint_ = makeKey(rsaUserId(), u"rsa%1"_s.arg(rsaBits));
    }
    if ((signingSubkey && subkeyFingerprint_.isEmpty()) ||
        (rsaBits > 0 && rsaFingerprint_.isEmpty())) {
        fingerprint_.clear();
    }
    error_ = isReady() ? QString() : u"key generation failed"_s;
}

QString GnupgHome::makeKey(const QString& userId, const QString& algorithm) {
    return runGpg({u"--passphrase"_s, passPhrase(), u"--quick-gen-key"_s, userId, algorithm,
                   u"sign"_s, u"never"_s})
               ? lastFingerprint(userId)
               : QString();
}

QString GnupgHome::addSigningSubkey() {
    return !fingerprint_.isEmpty() && runGpg({u"--passphrase"_s, passPhrase(), u"--quick-add-key"_s,
                                              fingerprint_, u"ed25519"_s, u"sign"_s, u"never"_s})
               ? lastFingerprint(fingerprint_)
               : QString();
}

QString GnupgHome::lastFingerprint(const QString& key) const {
    QByteArray listing;
    const qsizetype at = runGpg({u"--with-colons"_s, u"--list-secret-keys"_s, key}, &listing)
                             ? listing.lastIndexOf("\nfpr:")
                             : -1;
    return at < 0 ? QString() : QString::fromLatin1(listing.mid(at + 1).split(':').value(9));
}

GnupgHome::~GnupgHome() {
    const QString gpgconf = QStandardPaths::findExecutable(u"gpgconf"_s);
    QProcess::execute(gpgconf, {u"--homedir"_s, dir_.path(), u"--kill"_s, u"all"_s});
    if (hadHome_) {
        qputenv("GNUPGHOME", savedHome_);
    } else {
        qunsetenv("GNUPGHOME");
    }
}

QString GnupgHome::goodSignatureBy(const QString& file) const {
    QByteArray status;
    const bool good = runGpg({u"--status-fd"_s, u"1"_s, u"--verify"_s, file}, &status) &&
                      status.contains("[GNUPG:] GOODSIG ");
    const qsizetype at = status.indexOf("[GNUPG:] VALIDSIG ");
    return good && at >= 0 ? QString::fromLatin1(status.mid(at + 18).split(' ').value(0))
                           : QString();
}

QByteArray GnupgHome::signedText(const QString& file) const {
    QByteArray text;
    return runGpg({u"--output"_s, u"-"_s, u"--decrypt"_s, file}, &text) ? text : QByteArray();
}

QByteArray GnupgHome::clearSigned(const QString& file, const QString& userId) const {
    QByteArray text;
    return runGpg({u"--passphrase"_s, passPhrase(), u"--local-user"_s, userId, u"--output"_s,
                   u"-"_s, u"--clearsign"_s, file},
                  &text)
               ? text
               : QByteArray();
}

QByteArray GnupgHome::exportedSecretKey(const QString& fingerprint, bool armoured) const {
    QByteArray key;
    QStringList arguments{u"--passphrase"_s, passPhrase(), u"--export-secret-keys"_s, fingerprint};
    if (armoured) {
        arguments.prepend(u"--armor"_s);
    }
    return runGpg(arguments, &key) ? key : QByteArray();
}

bool GnupgHome::runGpg(const QStringList& arguments, QByteArray* out) const {
    QProcess gpg;
    gpg.setStandardInputFile(QProcess::nullDevice());
    gpg.start(gpgProgram(), QStringList{u"--batch"_s, u"--homedir"_s, dir_.path()} + arguments);
    const bool ok = gpg.waitForFinished(120000) && gpg.exitStatus() == QProcess::NormalExit &&
                    gpg.exitCode() == 0;
    if (out != nullptr) {
        *out = gpg.readAllStandardOutput();
    }
    return ok;
}
