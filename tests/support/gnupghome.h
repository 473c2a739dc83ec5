// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <optional>

// A throw-away GnuPG home with one ed25519 signing key and, when asked, a newer ed25519 signing
// subkey of it (which gpg then signs with), an RSA key of `rsaBits` bits and a NIST P-256 key, all
// with the same pass phrase. While it lives, GNUPGHOME points at it, so child processes sign and
// verify there; on destruction the agent stops and GNUPGHOME is restored.
class GnupgHome {
public:
    explicit GnupgHome(int rsaBits = 0, bool signingSubkey = false, bool p256 = false);
    ~GnupgHome();
    Q_DISABLE_COPY_MOVE(GnupgHome)

    static QString pgpgpgProgram() {
        return QStandardPaths::findExecutable(QStringLiteral("pgpgpg"));
    }
    static QString gpgProgram() { return QStandardPaths::findExecutable(QStringLiteral("gpg")); }
    static QString userId() { return QStringLiteral("Sealmill Test <test@example.invalid>"); }
    static QString rsaUserId() { return QStringLiteral("Sealmill RSA <rsa@example.invalid>"); }
    static QString p256UserId() { return QStringLiteral("Sealmill P-256 <p256@example.invalid>"); }
    static QString passPhrase() { return QStringLiteral("mill \"stone\" 42"); }

    // False with a reason in error() when the home or key could not be made.
    [[nodiscard]] bool isReady() const { return !fingerprint_.isEmpty(); }
    [[nodiscard]] const QString& error() const { return error_; }
    [[nodiscard]] const QString& fingerprint() const { return fingerprint_; }
    [[nodiscard]] const QString& rsaFingerprint() const { return rsaFingerprint_; }
    [[nodiscard]] const QString& p256Fingerprint() const { return p256Fingerprint_; }
    // What the ed25519 key signs with: its subkey if it has one.
    [[nodiscard]] const QString& signingFingerprint() const {
        return subkeyFingerprint_.isEmpty() ? fingerprint_ : subkeyFingerprint_;
    }
    // The fingerprint behind a good signature in `file`, "" when gpg rejects it.
    [[nodiscard]] QString goodSignatureBy(const QString& file) const;
    [[nodiscard]] QByteArray signedText(const QString& file) const;
    // gpg's own clear signature of `file` with the key `userId` names.
    [[nodiscard]] QByteArray clearSigned(const QString& file, const QString& userId) const;
    // With `subkeysOnly`, the primary's secret is left out as gpg does it: a
    // "GPG-None" stub (gnu-dummy S2K) in its place.
    [[nodiscard]] QByteArray exportedSecretKey(const QString& fingerprint, bool armoured,
                                               bool subkeysOnly = false) const;
    [[nodiscard]] QByteArray exportedPublicKey(const QString& fingerprint) const;

private:
    // What gpg printed, nothing when it failed.
    [[nodiscard]] std::optional<QByteArray> gpg(const QStringList& arguments) const;
    // The fingerprint of the last key or subkey gpg lists for `key`.
    [[nodiscard]] QString lastFingerprint(const QString& key) const;

    QTemporaryDir dir_{QStringLiteral("/tmp/gpg-XXXXXX")};  // short: the agent socket lives here
    QByteArray savedHome_ = qgetenv("GNUPGHOME");
    bool hadHome_ = qEnvironmentVariableIsSet("GNUPGHOME");
    QString error_;
    QString fingerprint_;
    QString rsaFingerprint_;
    QString p256Fingerprint_;
    QString subkeyFingerprint_;
};
