// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "coredumpsoff.h"
#include "rnpcontext.h"

#include <QByteArray>
#include <QByteArrayView>

namespace sealmill {

// Clear-signs texts with one unlocked key in an RNP context of its own. Not
// safe to share between threads: each signing thread makes its own from the
// SigningKey. Core dumps stay off while one lives.
class ClearSigner {
public:
    // `key` unlocked, in `context`; `hash` an RNP hash name such as "SHA512".
    ClearSigner(RnpFfi context, RnpKey key, QByteArray hash);
    ~ClearSigner() = default;
    Q_DISABLE_COPY_MOVE(ClearSigner)

    // The text as the cleartext signature framework carries it (dash-escaped,
    // its line ends kept, the armour's lines ending in CR LF) followed by the
    // armoured signature. Any bytes, not only UTF-8. As with gpg, a final line
    // break is not signed. Throws SealmillError for a line too long for gpg to
    // verify (dash-escaping included), or should RNP fail.
    [[nodiscard]] QByteArray clearSign(QByteArrayView text);

private:
    CoreDumpsOff noCoreDumps_;
    RnpFfi context_;
    RnpKey key_;  // after the context, so it goes first
    QByteArray hash_;
};

}  // namespace sealmill
