// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/clearsigner.h"

#include "core/sealmillerror.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/rnplog.h"

#include <utility>

namespace sealmill {

namespace {

// gpg refuses to verify a clear signature with a line of more than about
// 20000 bytes (and its own signer cuts such a line short); this many, line
// end aside, it always takes.
constexpr qsizetype kLongestVerifiableLine = 19998;

bool gpgVerifies(QByteArrayView signedText) {
    qsizetype from = 0;
    while (from < signedText.size()) {
        qsizetype end = signedText.indexOf('\n', from);
        end = end < 0 ? signedText.size() : end;
        const qsizetype length = end - from - (end > from && signedText.at(end - 1) == '\r');
        if (length > kLongestVerifiableLine) {
            return false;
        }
        from = end + 1;
    }
    return true;
}

void check(rnp_result_t result, const RnpLog& log) {
    if (result != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Signing failed: %1")
                                .arg(QString::fromUtf8(rnp_result_to_string(result))),
                            log.lines());
    }
}

}  // namespace

struct ClearSigner::Rnp {
    RnpFfi context;
    RnpKey key;  // after the context, so it goes first
};

ClearSigner::ClearSigner(const SecretBytes& packets, const SecretBytes& password,
                         const QString& fingerprint, QByteArray hash)
    : rnp_(std::make_unique<Rnp>()), hash_(std::move(hash)) {
    const RnpLog log;
    rnp_->context = newRnpContext();
    if (loadKeys(rnp_->context.get(), packets.view())) {
        rnp_->key = locateKey(rnp_->context.get(), fingerprint);
    }
    if (!rnp_->key || rnp_key_unlock(rnp_->key.get(), password.constData()) != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Cannot unlock the key for signing"), log.lines());
    }
}

ClearSigner::~ClearSigner() = default;

QByteArray ClearSigner::clearSign(QByteArrayView text) {
    // As gpg does, the text's final line break ends its last line and is not
    // signed; RNP would sign it and add an empty line before the signature.
    if (text.endsWith("\r\n")) {
        text.chop(2);
    } else if (text.endsWith('\n')) {
        text.chop(1);
    }
    const RnpLog log;
    static constexpr uint8_t kNoText = 0;  // RNP takes no null buffer, even an empty one
    rnp_input_t input = nullptr;
    check(rnp_input_from_memory(
              &input, text.isEmpty() ? &kNoText : reinterpret_cast<const uint8_t*>(text.data()),
              static_cast<size_t>(text.size()), false),
          log);
    const RnpInput ownedInput(input);
    rnp_output_t output = nullptr;
    check(rnp_output_to_memory(&output, 0), log);
    const RnpOutput ownedOutput(output);
    rnp_op_sign_t operation = nullptr;
    check(rnp_op_sign_cleartext_create(&operation, rnp_->context.get(), input, output), log);
    const RnpSigning ownedOperation(operation);
    rnp_op_sign_signature_t signature = nullptr;
    check(rnp_op_sign_add_signature(operation, rnp_->key.get(), &signature), log);
    check(rnp_op_sign_signature_set_hash(signature, hash_.constData()), log);
    check(rnp_op_sign_execute(operation), log);
    uint8_t* signedText = nullptr;
    size_t length = 0;
    check(rnp_output_memory_get_buf(output, &signedText, &length, false), log);
    const QByteArrayView result(signedText, static_cast<qsizetype>(length));
    if (!gpgVerifies(result)) {
        throw SealmillError(QStringLiteral("A line of the text is too long for a clear signature "
                                           "that gpg can verify (%1 bytes at most)")
                                .arg(kLongestVerifiableLine));
    }
    return result.toByteArray();
}

}  // namespace sealmill
