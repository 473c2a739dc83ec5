// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace sealmill {

class VerifyingKey;

// What a clear-signed message proves.
struct ClearVerdict {
    enum class Status {
        Good,            // one good signature by the key, valid when it signed
        NotClearSigned,  // not one whole clear-signed message with one signature
        BadSignature,    // the signature does not match the text
        OtherKey,        // made by a key other than the one given
        KeyNotValid,     // by the key, but when it was not valid (not yet, expired, revoked)
    };
    Status status = Status::NotClearSigned;
    // The text it carries, dash-escaping undone, without the line break that
    // ends it; empty when NotClearSigned.
    QByteArray text;
    QString signerKeyId;  // of another key
};

// Checks clear-signed messages against one key in an RNP context of its own.
// Not safe to share between threads: each checking thread makes its own.
class ClearVerifier {
public:
    // Throws SealmillError should RNP not load the key.
    explicit ClearVerifier(const VerifyingKey& key);
    ~ClearVerifier();
    Q_DISABLE_COPY_MOVE(ClearVerifier)

    [[nodiscard]] ClearVerdict verify(QByteArrayView message);

private:
    struct Rnp;  // the library's handles stay out of this header
    std::unique_ptr<Rnp> rnp_;
};

// The fingerprint of the key that made the signature of a clear-signed
// message, as the signature names it (its key id when it names no
// fingerprint); empty when it is no such message. Checks nothing.
[[nodiscard]] QString signerFingerprint(QByteArrayView message);

}  // namespace sealmill
