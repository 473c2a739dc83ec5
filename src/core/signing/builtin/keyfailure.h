// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace sealmill {

// Why the built-in signer has no key to sign with, one case for each thing the
// user can do about it.
enum class KeyProblem {
    NoSuchKey,        // no secret key matches the identifier
    SeveralKeys,      // more than one does; the message lists them
    WrongPassPhrase,  // the pass phrase does not unlock the key
    OnSmartcard,      // its secret signing key is on a card: use a signer program
    CannotSign,       // no usable signing key, or its secret is not here
    GpgNotInstalled,  // there is no gpg to read the keyring with
    GpgFailed,        // gpg failed for a reason of its own, which the message quotes
    KeyFileUnusable,  // the key file cannot be read, is too large or holds no secret key
};

struct KeyFailure {
    KeyProblem problem;
    QString message;       // for the user; no final full stop
    QString details = {};  // what the library said, when it helps
};

// `where` is the keyring's folder; `keys` one line per key: fingerprint and user id.
// An empty `where`: no keyring is known, for want of a home folder.
[[nodiscard]] KeyFailure noSuchKey(const QString& keyId, const QString& where);
[[nodiscard]] KeyFailure severalKeys(const QString& keyId, const QStringList& keys);
[[nodiscard]] KeyFailure severalKeysInFile(const QString& path, const QStringList& keys);
[[nodiscard]] KeyFailure wrongPassPhrase(const QString& key);
[[nodiscard]] KeyFailure onSmartcard(const QString& key);
[[nodiscard]] KeyFailure cannotSign(const QString& key);
// `part` is the key id or fingerprint given with "!", `key` the whole key.
[[nodiscard]] KeyFailure partCannotSign(const QString& part, const QString& key);
[[nodiscard]] KeyFailure noSuchPart(const QString& part, const QString& key);
[[nodiscard]] KeyFailure secretNotHere(const QString& key);
[[nodiscard]] KeyFailure cannotUnlock(const QString& key, const QString& reason);
[[nodiscard]] KeyFailure gpgNotInstalled();
[[nodiscard]] KeyFailure gpgFailed(const QString& said);
[[nodiscard]] KeyFailure keyFileUnreadable(const QString& path);
[[nodiscard]] KeyFailure keyFileTooLarge(const QString& path, qint64 mostMebibytes);
[[nodiscard]] KeyFailure keyFileHoldsNoKey(const QString& path);
// For checking signatures, where a public key is enough.
[[nodiscard]] KeyFailure noSuchPublicKey(const QString& keyId, const QString& where);
[[nodiscard]] KeyFailure severalPublicKeys(const QString& keyId, const QStringList& keys);
[[nodiscard]] KeyFailure keyFileHoldsNoPublicKey(const QString& path);
[[nodiscard]] KeyFailure severalPublicKeysInFile(const QString& path, const QStringList& keys);

}  // namespace sealmill
