// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/keyfailure.h"

namespace sealmill {

namespace {

QString listed(const QStringList& keys) {
    return QStringLiteral("\n  ") + keys.join(QStringLiteral("\n  "));
}

}  // namespace

KeyFailure noSuchKey(const QString& keyId, const QString& where) {
    if (where.isEmpty()) {
        return {KeyProblem::NoSuchKey,
                QStringLiteral("No secret key matches \"%1\": no GnuPG keyring is known, as no "
                               "home folder is (set GNUPGHOME or HOME)")
                    .arg(keyId)};
    }
    return {
        KeyProblem::NoSuchKey,
        QStringLiteral("No secret key matches \"%1\" in the GnuPG keyring %2").arg(keyId, where)};
}

KeyFailure severalKeys(const QString& keyId, const QStringList& keys) {
    return {KeyProblem::SeveralKeys,
            QStringLiteral("Several secret keys match \"%1\"; give the fingerprint of the one to "
                           "sign with:%2")
                .arg(keyId, listed(keys))};
}

KeyFailure severalKeysInFile(const QString& path, const QStringList& keys) {
    return {KeyProblem::SeveralKeys,
            QStringLiteral("%1 holds several secret keys; export the one to sign with into a "
                           "file of its own:%2")
                .arg(path, listed(keys))};
}

KeyFailure wrongPassPhrase(const QString& key) {
    return {KeyProblem::WrongPassPhrase, QStringLiteral("Wrong pass phrase for %1").arg(key)};
}

KeyFailure onSmartcard(const QString& key) {
    return {KeyProblem::OnSmartcard,
            QStringLiteral("The secret signing key of %1 is on a smartcard, which the built-in "
                           "signer cannot use; sign through a signer program (pgpgpg) instead")
                .arg(key)};
}

KeyFailure cannotSign(const QString& key) {
    return {KeyProblem::CannotSign,
            QStringLiteral("%1 cannot sign: it has no signing key that is not expired or revoked")
                .arg(key)};
}

KeyFailure partCannotSign(const QString& part, const QString& key) {
    return {KeyProblem::CannotSign,
            QStringLiteral("%1! names a key of %2 that cannot sign: it is not a signing key, or "
                           "it is expired or revoked; give another one, or the key without \"!\"")
                .arg(part, key)};
}

KeyFailure noSuchPart(const QString& part, const QString& key) {
    return {KeyProblem::NoSuchKey, QStringLiteral("%1 has no key or subkey %2").arg(key, part)};
}

KeyFailure secretNotHere(const QString& key) {
    return {KeyProblem::CannotSign,
            QStringLiteral("%1 cannot sign here: the secret part of its signing key is not on "
                           "this computer")
                .arg(key)};
}

KeyFailure cannotUnlock(const QString& key, const QString& reason) {
    return {KeyProblem::CannotSign, QStringLiteral("%1 cannot be unlocked: %2").arg(key, reason)};
}

KeyFailure gpgNotInstalled() {
    return {KeyProblem::GpgNotInstalled,
            QStringLiteral("gpg is not installed: the built-in signer reads the key from your "
                           "GnuPG keyring (Debian package gnupg)")};
}

KeyFailure gpgFailed(const QString& said) {
    return {KeyProblem::GpgFailed, QStringLiteral("gpg failed: %1").arg(said)};
}

KeyFailure keyFileUnreadable(const QString& path) {
    return {KeyProblem::KeyFileUnusable, QStringLiteral("Cannot read key file %1").arg(path)};
}

KeyFailure keyFileTooLarge(const QString& path, qint64 mostMebibytes) {
    return {KeyProblem::KeyFileUnusable,
            QStringLiteral("Key file %1 is too large: a file of exported secret keys may hold "
                           "%2 MiB at most")
                .arg(path)
                .arg(mostMebibytes)};
}

KeyFailure keyFileHoldsNoKey(const QString& path) {
    return {KeyProblem::KeyFileUnusable,
            QStringLiteral("%1 holds no OpenPGP secret key").arg(path)};
}

KeyFailure noSuchPublicKey(const QString& keyId, const QString& where) {
    return {KeyProblem::NoSuchKey,
            QStringLiteral("No key matches \"%1\" in the GnuPG keyring %2").arg(keyId, where)};
}

KeyFailure severalPublicKeys(const QString& keyId, const QStringList& keys) {
    return {KeyProblem::SeveralKeys,
            QStringLiteral("Several keys match \"%1\"; give the fingerprint of the one that "
                           "signed:%2")
                .arg(keyId, listed(keys))};
}

KeyFailure keyFileHoldsNoPublicKey(const QString& path) {
    return {KeyProblem::KeyFileUnusable, QStringLiteral("%1 holds no OpenPGP key").arg(path)};
}

KeyFailure severalPublicKeysInFile(const QString& path, const QStringList& keys) {
    return {KeyProblem::SeveralKeys,
            QStringLiteral("%1 holds several keys; export the one that signed into a file of "
                           "its own:%2")
                .arg(path, listed(keys))};
}

}  // namespace sealmill
