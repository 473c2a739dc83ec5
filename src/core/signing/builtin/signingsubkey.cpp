// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/signingsubkey.h"

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

}  // namespace sealmill
