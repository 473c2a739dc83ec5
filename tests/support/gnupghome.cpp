// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gnupghome.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

GnupgHome::GnupgHome(int rsaBits, bool signingSubkey, bool p256) {
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
    const auto made = [this](const QStringList& arguments, const QString& key) {
        return gpg(QStringList{u"--passphrase"_s, passPhrase()} + arguments +
                   QStringList{u"sign"_s, u"never"_s})
                   ? lastFingerprint(key)
                   : QString();
    };
    fingerprint_ = made({u"--quick-gen-key"_s, userId(), u"ed25519"_s}, userId());
    if (signingSubkey && !fingerprint_.isEmpty()) {
        subkeyFingerprint_ = made({u"--quick-add-key"_s, fingerprint_, u"ed25519"_s}, fingerprint_);
    }
    if (rsaBits > 0) {
        rsaFingerprint_ =
            made({u"--quick-gen-key"_s, rsaUserId(), u"rsa%1"_s.arg(rsaBits)}, rsaUserId());
    }
    if (p256) {
        p256Fingerprint_ = made({u"--quick-gen-key"_s, p256UserId(), u"nistp256"_s}, p256UserId());
    }
    if ((signingSubkey && subkeyFingerprint_.isEmpty()) ||
        (rsaBits > 0 && rsaFingerprint_.isEmpty()) || (p256 && p256Fingerprint_.isEmpty())) {
        fingerprint_.clear();
    }
    error_ = isReady() ? QString() : u"key generation failed"_s;
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

QString GnupgHome::lastFingerprint(const QString& key) const {
    const QByteArray listing =
        gpg({u"--with-colons"_s, u"--list-secret-keys"_s, key}).value_or(QByteArray());
    const qsizetype at = listing.lastIndexOf("\nfpr:");
    return at < 0 ? QString() : QString::fromLatin1(listing.mid(at + 1).split(':').value(9));
}

QString GnupgHome::goodSignatureBy(const QString& file) const {
    const QByteArray status =
        gpg({u"--status-fd"_s, u"1"_s, u"--verify"_s, file}).value_or(QByteArray());
    const qsizetype at = status.indexOf("[GNUPG:] VALIDSIG ");
    return at < 0 ? QString() : QString::fromLatin1(status.mid(at + 18).split(' ').value(0));
}

QByteArray GnupgHome::signedText(const QString& file) const {
    return gpg({u"--output"_s, u"-"_s, u"--decrypt"_s, file}).value_or(QByteArray());
}

QByteArray GnupgHome::clearSigned(const QString& file, const QString& userId) const {
    return gpg({u"--passphrase"_s, passPhrase(), u"--local-user"_s, userId, u"--output"_s, u"-"_s,
                u"--clearsign"_s, file})
        .value_or(QByteArray());
}

QByteArray GnupgHome::exportedSecretKey(const QString& fingerprint, bool armoured,
                                        bool subkeysOnly) const {
    const QStringList armour = armoured ? QStringList{u"--armor"_s} : QStringList();
    return gpg(armour +
               QStringList{u"--passphrase"_s, passPhrase(),
                           subkeysOnly ? u"--export-secret-subkeys"_s : u"--export-secret-keys"_s,
                           fingerprint})
        .value_or(QByteArray());
}

QByteArray GnupgHome::exportedPublicKey(const QString& fingerprint) const {
    return gpg({u"--export"_s, fingerprint}).value_or(QByteArray());
}

std::optional<QByteArray> GnupgHome::gpg(const QStringList& arguments) const {
    QProcess gpg;
    gpg.setStandardInputFile(QProcess::nullDevice());
    gpg.start(gpgProgram(), QStringList{u"--batch"_s, u"--homedir"_s, dir_.path()} + arguments);
    if (!gpg.waitForFinished(120000) || gpg.exitStatus() != QProcess::NormalExit ||
        gpg.exitCode() != 0) {
        return std::nullopt;
    }
    return gpg.readAllStandardOutput();
}
