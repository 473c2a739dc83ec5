// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/coredumpsoff.h"
#include "core/platform/secretbytes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace sealmill {

// Clear-signs texts with one unlocked key in an RNP context of its own. Not
// safe to share between threads: each signing thread makes its own from the
// SigningKey. Core dumps stay off while one lives.
class ClearSigner {
public:
    // Loads `packets` into a context of its own and unlocks the part with
    // `fingerprint` there with `password`; `hash` is an RNP hash name such as
    // "SHA512". Throws SealmillError should that fail.
    ClearSigner(const SecretBytes& packets, const SecretBytes& password, const QString& fingerprint,
                QByteArray hash);
    ~ClearSigner();
    Q_DISABLE_COPY_MOVE(ClearSigner)

    // The text as the cleartext signature framework carries it (dash-escaped,
    // its line ends kept, the armour's lines ending in CR LF) followed by the
    // armoured signature. Any bytes, not only UTF-8. As with gpg, a final line
    // break is not signed. Throws SealmillError for a line too long for gpg to
    // verify (dash-escaping included), or should RNP fail.
    [[nodiscard]] QByteArray clearSign(QByteArrayView text);

private:
    CoreDumpsOff noCoreDumps_;
    struct Rnp;  // the library's handles stay out of this header
    std::unique_ptr<Rnp> rnp_;
    QByteArray hash_;
};

}  // namespace sealmill
