// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/clearverifier.h"

#include "core/sealmillerror.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/verifyingkey.h"

namespace sealmill {

namespace {

constexpr QByteArrayView kHeader = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr QByteArrayView kSignatureStart = "-----BEGIN PGP SIGNATURE-----";
constexpr QByteArrayView kSignatureEnd = "-----END PGP SIGNATURE-----";

// One message from the first byte, one signature block, nothing but line
// breaks and blanks after it: RNP alone would take text around the message.
bool isOneClearSignedMessage(QByteArrayView message) {
    if (!message.startsWith(kHeader)) {
        return false;
    }
    const QByteArrayView rest = message.sliced(kHeader.size());
    if (!rest.startsWith('\n') && !rest.startsWith("\r\n")) {
        return false;
    }
    const qsizetype start = message.indexOf(kSignatureStart);
    if (start < 0 || message.indexOf(kSignatureStart, start + 1) >= 0 ||
        message.indexOf(kHeader, 1) >= 0) {
        return false;
    }
    const qsizetype end = message.indexOf(kSignatureEnd, start);
    return end >= 0 && message.sliced(end + kSignatureEnd.size()).trimmed().isEmpty();
}

// As gpg does, the text's last line break belongs to the framework.
QByteArray withoutFinalBreak(QByteArray text) {
    if (text.endsWith("\r\n")) {
        text.chop(2);
    } else if (text.endsWith('\n')) {
        text.chop(1);
    }
    return text;
}

bool validWhenSigned(rnp_key_handle_t key, uint32_t signedAt) {
    uint32_t created = 0;
    uint64_t validTill = 0;
    return rnp_key_get_creation(key, &created) == RNP_SUCCESS &&
           rnp_key_valid_till64(key, &validTill) == RNP_SUCCESS && created <= signedAt &&
           signedAt <= validTill;
}

QString signerKeyId(rnp_op_verify_signature_t signature) {
    rnp_signature_handle_t handle = nullptr;
    if (rnp_op_verify_signature_get_handle(signature, &handle) != RNP_SUCCESS) {
        return {};
    }
    const QString keyId =
        rnpText([handle](char** text) { return rnp_signature_get_keyid(handle, text); });
    (void)rnp_signature_handle_destroy(handle);
    return keyId;
}

}  // namespace

struct ClearVerifier::Rnp {
    RnpFfi context;
};

ClearVerifier::ClearVerifier(const VerifyingKey& key) : rnp_(std::make_unique<Rnp>()) {
    rnp_->context = newRnpContext();
    if (!loadPublicKeys(rnp_->context.get(), key.packets())) {
        throw SealmillError(QStringLiteral("Cannot load the key to check signatures with"));
    }
}

ClearVerifier::~ClearVerifier() = default;

ClearVerdict ClearVerifier::verify(QByteArrayView message) {
    ClearVerdict verdict;
    if (!isOneClearSignedMessage(message)) {
        return verdict;
    }
    rnp_input_t input = nullptr;
    rnp_output_t output = nullptr;
    if (rnp_input_from_memory(&input, reinterpret_cast<const uint8_t*>(message.data()),
                              static_cast<size_t>(message.size()), false) != RNP_SUCCESS) {
        return verdict;
    }
    const RnpInput ownedInput(input);
    if (rnp_output_to_memory(&output, 0) != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Cannot check signatures (RNP)"));
    }
    const RnpOutput ownedOutput(output);
    rnp_op_verify_t operation = nullptr;
    if (rnp_op_verify_create(&operation, rnp_->context.get(), input, output) != RNP_SUCCESS) {
        return verdict;
    }
    const RnpVerifying ownedOperation(operation);
    const rnp_result_t executed = rnp_op_verify_execute(operation);
    size_t count = 0;
    rnp_op_verify_signature_t signature = nullptr;
    char* fileName = nullptr;
    uint32_t fileTime = 0;
    (void)rnp_op_verify_get_file_info(operation, &fileName, &fileTime);
    // A clear-signed message has no file name; anything else RNP read is another kind.
    const bool cleartext = fileName == nullptr || QByteArrayView(fileName) == "";
    rnp_buffer_destroy(fileName);
    if (rnp_op_verify_get_signature_count(operation, &count) != RNP_SUCCESS || count != 1 ||
        rnp_op_verify_get_signature_at(operation, 0, &signature) != RNP_SUCCESS || !cleartext) {
        return verdict;
    }
    uint8_t* text = nullptr;
    size_t length = 0;
    if (rnp_output_memory_get_buf(output, &text, &length, false) != RNP_SUCCESS) {
        return verdict;
    }
    verdict.text = withoutFinalBreak(
        QByteArray(reinterpret_cast<const char*>(text), static_cast<qsizetype>(length)));
    using Status = ClearVerdict::Status;
    const rnp_result_t status = rnp_op_verify_signature_get_status(signature);
    if (status == RNP_ERROR_KEY_NOT_FOUND) {
        verdict.status = Status::OtherKey;
        verdict.signerKeyId = signerKeyId(signature);
        return verdict;
    }
    rnp_key_handle_t signer = nullptr;
    uint32_t signedAt = 0;
    uint32_t expires = 0;
    if (rnp_op_verify_signature_get_key(signature, &signer) != RNP_SUCCESS ||
        rnp_op_verify_signature_get_times(signature, &signedAt, &expires) != RNP_SUCCESS) {
        verdict.status = Status::BadSignature;
        return verdict;
    }
    const RnpKey ownedSigner(signer);
    // RNP finds such a signature invalid too; the reason is worth telling apart.
    if (!validWhenSigned(signer, signedAt)) {
        verdict.status = Status::KeyNotValid;
    } else {
        verdict.status =
            status == RNP_SUCCESS && executed == RNP_SUCCESS ? Status::Good : Status::BadSignature;
    }
    return verdict;
}

}  // namespace sealmill
