// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/coredumpsoff.h"
#include "core/platform/secretbytes.h"
#include "core/signing/builtin/clearsigner.h"
#include "core/signing/builtin/keyfailure.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <optional>
#include <variant>

namespace sealmill {

// The signing key comes from the user's GnuPG keyring...
struct KeyringKey {
    QString keyId;      // user id, e-mail, key id or fingerprint, as gpg takes them
    QString gnupgHome;  // empty: gpg's own choice (GNUPGHOME, else ~/.gnupg)
};

// ... or from a file of exported secret keys, armoured or binary, holding one.
struct KeyFile {
    QString path;
};

using KeySource = std::variant<KeyringKey, KeyFile>;

// A key file's bytes, or why there are none: it cannot be opened or read, is
// not a regular file, or is larger than any key file (16 MiB), which is
// refused unread or as soon as it grows past that. Opened without waiting, so
// a FIFO with no writer cannot hold the open.
[[nodiscard]] std::variant<SecretBytes, KeyFailure> readKeyFile(const QString& path);

// A secret key unlocked once, from which every signing thread makes a signer
// of its own. It lives in memory only, and core dumps are off while it does.
class SigningKey {
public:
    // `packets` hold the key with its signing part protected by `password`, a
    // random one made for this object alone.
    SigningKey(SecretBytes packets, SecretBytes password, QString fingerprint, QByteArray hash);
    ~SigningKey() = default;
    Q_DISABLE_COPY_MOVE(SigningKey)

    // A signer with its own context and copy of the unlocked key, for one
    // thread at a time; making one costs a key parse, not an unlock. Safe to
    // call from several threads at once. Throws SealmillError should RNP fail.
    [[nodiscard]] std::unique_ptr<ClearSigner> newSigner() const;

    // Of the key or subkey that signs.
    [[nodiscard]] const QString& fingerprint() const { return fingerprint_; }

private:
    CoreDumpsOff noCoreDumps_;
    SecretBytes packets_;
    SecretBytes password_;
    QString fingerprint_;
    QByteArray hash_;  // an RNP hash name such as "SHA512"
};

// Finds the key, has gpg export it (from a keyring) and unlocks its signing
// part with the pass phrase, which is wiped as soon as that is done. Waits for
// gpg and for the key's deliberately slow unlock: call it off the window
// thread; setting `stop` from another thread ends gpg at once. Throws
// SealmillError only should RNP fail in a way no key explains.
[[nodiscard]] std::variant<std::unique_ptr<SigningKey>, KeyFailure> loadSigningKey(
    const KeySource& source, SecretBytes passPhrase, const std::atomic<bool>* stop = nullptr);

}  // namespace sealmill
