// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/signing/builtin/keyfailure.h"

#include <QList>
#include <QString>
#include <variant>

namespace sealmill {

// Where the secret of a key or subkey is.
enum class SecretPart { Here, Missing, OnCard };

// A primary key or one of its subkeys, as gpg or RNP describe it.
struct KeyPart {
    QString fingerprint;
    qint64 created = 0;  // seconds since 1970
    bool canSign = false;
    bool usable = false;  // not expired, revoked or otherwise invalid
    SecretPart secret = SecretPart::Here;
};

// The part gpg signs with, by its index in `parts` (the primary first, then
// its subkeys): the newest usable signing subkey whose secret is here or on a
// card, else the primary if it qualifies. A key on a card or with no usable
// signing part is refused; `key` names it in the message.
[[nodiscard]] std::variant<qsizetype, KeyFailure> signingSubkey(const QList<KeyPart>& parts,
                                                                const QString& key);

// A key id or fingerprint followed by "!" ("0x" in front or not) names, as
// with gpg, the very key or subkey to sign with: its hexadecimal digits in
// capitals. Empty for any other key identifier.
[[nodiscard]] QString exactKeyId(const QString& keyId);

// The part whose fingerprint ends in `exactId` (from exactKeyId()), refused
// when it cannot sign here: not a usable signing key, its secret not here or
// on a card. `key` names the whole key in the message.
[[nodiscard]] std::variant<qsizetype, KeyFailure> namedSigningPart(const QList<KeyPart>& parts,
                                                                   const QString& exactId,
                                                                   const QString& key);

}  // namespace sealmill
