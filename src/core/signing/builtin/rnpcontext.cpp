// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/rnpcontext.h"

#include "core/sealmillerror.h"
#include "core/signing/builtin/rnplog.h"

#include <QByteArray>

namespace sealmill {

RnpFfi newRnpContext() {
    // A context logs into the stderr stream it finds when it is made.
    RnpLog::route();
    rnp_ffi_t ffi = nullptr;
    if (rnp_ffi_create(&ffi, RNP_KEYSTORE_GPG, RNP_KEYSTORE_GPG) != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Cannot start OpenPGP (RNP)"));
    }
    // Keys made by older GnuPG carry SHA-1 self-signatures, which RNP no longer
    // trusts but gpg still signs with; the key is the user's own.
    (void)rnp_add_security_rule(ffi, RNP_FEATURE_HASH_ALG, "SHA1",
                                RNP_SECURITY_OVERRIDE | RNP_SECURITY_VERIFY_KEY, 0,
                                RNP_SECURITY_DEFAULT);
    return RnpFfi(ffi);
}

namespace {

bool load(rnp_ffi_t ffi, QByteArrayView packets, uint32_t which) {
    rnp_input_t input = nullptr;
    if (packets.isEmpty() ||
        rnp_input_from_memory(&input, reinterpret_cast<const uint8_t*>(packets.data()),
                              static_cast<size_t>(packets.size()), false) != RNP_SUCCESS) {
        return false;
    }
    const RnpInput owned(input);
    return rnp_load_keys(ffi, RNP_KEYSTORE_GPG, input, which) == RNP_SUCCESS;
}

}  // namespace

bool loadKeys(rnp_ffi_t ffi, QByteArrayView packets) {
    return load(ffi, packets, RNP_LOAD_SAVE_PUBLIC_KEYS | RNP_LOAD_SAVE_SECRET_KEYS);
}

bool loadPublicKeys(rnp_ffi_t ffi, QByteArrayView packets) {
    return load(ffi, packets, RNP_LOAD_SAVE_PUBLIC_KEYS);
}

RnpKey locateKey(rnp_ffi_t ffi, const QString& fingerprint) {
    rnp_key_handle_t key = nullptr;
    (void)rnp_locate_key(ffi, "fingerprint", fingerprint.toLatin1().constData(), &key);
    return RnpKey(key);
}

QString rnpText(const std::function<rnp_result_t(char**)>& get) {
    char* text = nullptr;
    const rnp_result_t result = get(&text);
    QString copy = result == RNP_SUCCESS ? QString::fromUtf8(text) : QString();
    rnp_buffer_destroy(text);
    return copy;
}

}  // namespace sealmill
