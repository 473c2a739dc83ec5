// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/clearverifier.h"

#include "core/sealmillerror.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/rnplog.h"
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

// The signature's issuer, by `get` (its key id or its fingerprint).
QString issuer(rnp_op_verify_signature_t signature,
               rnp_result_t (*get)(rnp_signature_handle_t, char**)) {
    rnp_signature_handle_t handle = nullptr;
    if (rnp_op_verify_signature_get_handle(signature, &handle) != RNP_SUCCESS) {
        return {};
    }
    QString keyId = rnpText([handle, get](char** text) { return get(handle, text); });
    (void)rnp_signature_handle_destroy(handle);
    return keyId;
}

// A length as a signature subpacket gives it, from `at`, which it moves past.
qsizetype subpacketLength(const QByteArray& data, qsizetype& at) {
    const auto octet = [&data](qsizetype i) { return static_cast<uint8_t>(data.at(i)); };
    constexpr uint8_t kTwoOctets = 192;
    constexpr uint8_t kFourOctets = 255;
    if (at >= data.size()) {
        return -1;
    }
    const uint8_t first = octet(at);
    if (first < kTwoOctets) {
        at += 1;
        return first;
    }
    if (first < kFourOctets && at + 1 < data.size()) {
        at += 2;
        return ((first - kTwoOctets) << 8) + octet(at - 1) + kTwoOctets;
    }
    if (first == kFourOctets && at + 4 < data.size()) {
        at += 5;
        return (qsizetype{octet(at - 4)} << 24) | (octet(at - 3) << 16) | (octet(at - 2) << 8) |
               octet(at - 1);
    }
    return -1;
}

// The issuer a version 4 signature packet names in its subpackets: the
// fingerprint (type 33) if given, else the key id (type 16); RNP's own way
// there is a verification, which logs to standard error without a key.
QString issuerOf(const QByteArray& packet) {
    constexpr int kIssuerKeyId = 16;
    constexpr int kIssuerFingerprint = 33;
    constexpr uint8_t kNewFormat = 0x40;
    constexpr qsizetype kSubpacketsAt = 4;  // version, type, key and hash algorithms
    if (packet.size() < 2 || (static_cast<uint8_t>(packet.at(0)) & kNewFormat) == 0) {
        return {};  // every signer of our time writes the new packet format
    }
    qsizetype at = 1;
    if (subpacketLength(packet, at) < 0 || packet.mid(at, 1) != "\x04") {
        return {};
    }
    QString keyId;
    qsizetype areaAt = at + kSubpacketsAt;
    for (int area = 0; area < 2 && areaAt + 2 <= packet.size(); ++area) {
        const qsizetype areaEnd = areaAt + 2 +
                                  ((static_cast<uint8_t>(packet.at(areaAt)) << 8) |
                                   static_cast<uint8_t>(packet.at(areaAt + 1)));
        for (qsizetype sub = areaAt + 2; sub < areaEnd && areaEnd <= packet.size();) {
            const qsizetype length = subpacketLength(packet, sub);
            if (length < 1 || sub + length > areaEnd) {
                return keyId;
            }
            const int type = static_cast<uint8_t>(packet.at(sub)) & 0x7f;
            const QByteArray value = packet.mid(sub + 1, length - 1);
            if (type == kIssuerFingerprint && value.size() > 1) {
                return QString::fromLatin1(value.mid(1).toHex().toUpper());
            }
            if (type == kIssuerKeyId) {
                keyId = QString::fromLatin1(value.toHex().toUpper());
            }
            sub += length;
        }
        areaAt = areaEnd;
    }
    return keyId;
}

}  // namespace

struct ClearVerifier::Rnp {
    RnpFfi context;
};

ClearVerifier::ClearVerifier(const VerifyingKey& key) : rnp_(std::make_unique<Rnp>()) {
    const RnpLog quiet;
    rnp_->context = newRnpContext();
    if (!loadPublicKeys(rnp_->context.get(), key.packets())) {
        throw SealmillError(QStringLiteral("Cannot load the key to check signatures with"));
    }
}

ClearVerifier::~ClearVerifier() = default;

ClearVerdict ClearVerifier::verify(QByteArrayView message) {
    // RNP logs each bad or foreign signature ("signer's key not found") on
    // stderr; the verdict says it all.
    const RnpLog quiet;
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
        verdict.signerKeyId = issuer(signature, &rnp_signature_get_keyid);
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

QString signerFingerprint(QByteArrayView message) {
    if (!isOneClearSignedMessage(message)) {
        return {};
    }
    // The armour's lines: headers up to an empty line, then base64 up to the checksum.
    const qsizetype start = message.indexOf(kSignatureStart);
    const QByteArrayView armour =
        message.sliced(start, message.indexOf(kSignatureEnd, start) - start);
    QByteArray base64;
    bool body = false;
    for (const QByteArray& raw : armour.toByteArray().split('\n').mid(1)) {
        const QByteArray line = raw.trimmed();
        if (!body) {
            body = line.isEmpty();
        } else if (line.startsWith('=')) {
            break;
        } else {
            base64 += line;
        }
    }
    return issuerOf(QByteArray::fromBase64(base64));
}

}  // namespace sealmill
