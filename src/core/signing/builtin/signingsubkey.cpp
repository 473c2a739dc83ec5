// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/signingsubkey.h"

#include <QRegularExpression>
#include <algorithm>

namespace sealmill {

namespace {

bool signs(const KeyPart& part) {
    return part.canSign && part.usable;
}

}  // namespace

std::variant<qsizetype, KeyFailure> signingSubkey(const QList<KeyPart>& parts, const QString& key) {
    if (parts.isEmpty() || !parts.first().usable) {
        return cannotSign(key);
    }
    qsizetype chosen = -1;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const KeyPart& part = parts.at(i);
        if (signs(part) && part.secret != SecretPart::Missing &&
            (chosen < 0 || part.created >= parts.at(chosen).created)) {
            chosen = i;
        }
    }
    if (chosen < 0 && signs(parts.first()) && parts.first().secret != SecretPart::Missing) {
        chosen = 0;
    }
    if (chosen >= 0) {
        if (parts.at(chosen).secret == SecretPart::OnCard) {
            return onSmartcard(key);
        }
        return chosen;
    }
    const bool secretMissing = std::any_of(parts.cbegin(), parts.cend(), signs);
    return secretMissing ? secretNotHere(key) : cannotSign(key);
}

QString exactKeyId(const QString& keyId) {
    // Key ids of 8 or 16 digits, fingerprints of 40 (v4) or 64 (v5).
    static const QRegularExpression kExact(QStringLiteral(
        R"(^\s*(?:0[xX])?((?:[0-9a-fA-F]{8}){1,2}|[0-9a-fA-F]{40}|[0-9a-fA-F]{64})!\s*$)"));
    const QRegularExpressionMatch match = kExact.match(keyId);
    return match.hasMatch() ? match.captured(1).toUpper() : QString();
}

std::variant<qsizetype, KeyFailure> namedSigningPart(const QList<KeyPart>& parts,
                                                     const QString& exactId, const QString& key) {
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const KeyPart& part = parts.at(i);
        if (exactId.isEmpty() || !part.fingerprint.endsWith(exactId, Qt::CaseInsensitive)) {
            continue;
        }
        if (!signs(part) || !parts.first().usable) {
            return partCannotSign(exactId, key);
        }
        if (part.secret == SecretPart::Missing) {
            return secretNotHere(key);
        }
        if (part.secret == SecretPart::OnCard) {
            return onSmartcard(key);
        }
        return i;
    }
    return noSuchPart(exactId, key);
}

}  // namespace sealmill
