// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/signing/builtin/keyfailure.h"
#include "core/signing/builtin/signingkey.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <variant>

namespace sealmill {

// The public part of the key a batch was signed with: its packets, from which
// each checking thread loads a context of its own.
class VerifyingKey {
public:
    VerifyingKey(QByteArray packets, QString fingerprint, QString name)
        : packets_(std::move(packets)),
          fingerprint_(std::move(fingerprint)),
          name_(std::move(name)) {}
    ~VerifyingKey() = default;
    Q_DISABLE_COPY_MOVE(VerifyingKey)

    [[nodiscard]] const QByteArray& packets() const { return packets_; }
    // Of the primary key.
    [[nodiscard]] const QString& fingerprint() const { return fingerprint_; }
    // Its user id, else its fingerprint.
    [[nodiscard]] const QString& name() const { return name_; }

private:
    QByteArray packets_;  // public keys only
    QString fingerprint_;
    QString name_;
};

// The public key of a key id in the user's GnuPG keyring (exported by gpg), or
// of a key file, public or secret (its secret parts are never loaded and no
// pass phrase is asked for). A file must hold exactly one primary key.
[[nodiscard]] std::variant<std::unique_ptr<VerifyingKey>, KeyFailure> loadVerifyingKey(
    const KeySource& source);

}  // namespace sealmill
