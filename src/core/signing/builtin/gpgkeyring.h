// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"
#include "core/signing/builtin/gpgprocess.h"
#include "core/signing/builtin/keyfailure.h"
#include "core/signing/builtin/signingsubkey.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <variant>

namespace sealmill {

inline constexpr std::chrono::milliseconds kGpgTimeLimit{120000};

// The user's GnuPG keyring, read through gpg: RNP cannot read the files in
// which gpg-agent keeps secret keys.
struct GpgKeyring {
    QString program;  // gpg's absolute path
    QString home;     // empty: gpg's own choice (GNUPGHOME, else ~/.gnupg)
    // Set from another thread, it ends the gpg under way at once.
    const std::atomic<bool>* stop = nullptr;
    // A gpg that takes longer is ended: with loopback pinentry nothing it
    // could wait for takes this long.
    std::chrono::milliseconds timeLimit = kGpgTimeLimit;

    // The keyring's folder, for messages; empty when no home folder is known.
    [[nodiscard]] QString folder() const;
};

// One secret key as `gpg --with-colons --list-secret-keys` describes it.
struct ListedKey {
    QString userId;        // the first one
    QList<KeyPart> parts;  // the primary first, then its subkeys

    [[nodiscard]] QString fingerprint() const { return parts.value(0).fingerprint; }
    // The key as messages name it: its user id, else its fingerprint.
    [[nodiscard]] QString name() const { return userId.isEmpty() ? fingerprint() : userId; }
};

// Secret keys (sec, ssb lines) or public keys (pub, sub lines).
[[nodiscard]] QList<ListedKey> parseKeyListing(const QByteArray& colons);
[[nodiscard]] inline QList<ListedKey> parseSecretKeyListing(const QByteArray& colons) {
    return parseKeyListing(colons);
}

// The one secret key that `keyId` (user id, e-mail, key id or fingerprint, as
// gpg takes them) names; none, several, one on a card and one that cannot sign
// are refused. A key id or fingerprint with "!" signs with that very key or
// subkey, which must be able to sign.
[[nodiscard]] std::variant<ListedKey, KeyFailure> findSecretKey(const GpgKeyring& keyring,
                                                                const QString& keyId);

// The one public key that `keyId` names, signing or not.
[[nodiscard]] std::variant<ListedKey, KeyFailure> findPublicKey(const GpgKeyring& keyring,
                                                                const QString& keyId);

// Its public packets as gpg exports them; no pass phrase needed.
[[nodiscard]] std::variant<QByteArray, KeyFailure> exportPublicKey(const GpgKeyring& keyring,
                                                                   const ListedKey& key);

// The key's packets as gpg exports them, secret parts still protected by the
// pass phrase, which gpg-agent asks for every time. The pass phrase goes to
// gpg through a pipe, never its command line.
[[nodiscard]] std::variant<SecretBytes, KeyFailure> exportSecretKey(const GpgKeyring& keyring,
                                                                    const ListedKey& key,
                                                                    const SecretBytes& passPhrase);

}  // namespace sealmill
