// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The built-in signer's clear signatures of any copy bytes: each one verifies
// with the key and gives the copy back, or is refused with a message.
#include "core/sealmillerror.h"
#include "core/signing/builtin/clearsigner.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/signingkey.h"
#include "fuzzsupport.h"

#include <QByteArray>
#include <QFile>

namespace {

using namespace sealmill;

struct Fixture {
    std::unique_ptr<SigningKey> key;
    std::unique_ptr<ClearSigner> signer;
    RnpFfi verifier = newRnpContext();

    Fixture() {
        QFile file(QStringLiteral(SEALMILL_FUZZ_KEY));
        fuzz::require(file.open(QIODevice::ReadOnly), "the test key file opens");
        const QByteArray packets = file.readAll();
        fuzz::require(loadKeys(verifier.get(), packets), "the verifier loads the test key");
        auto loaded = loadSigningKey(KeyFile{file.fileName()}, SecretBytes(QByteArrayView("fuzz")));
        auto* unlocked = std::get_if<std::unique_ptr<SigningKey>>(&loaded);
        fuzz::require(unlocked != nullptr, "the test key unlocks");
        key = std::move(*unlocked);
        signer = key->newSigner();
    }
};

// The text RNP verified, or nothing when the signature is not good.
std::optional<QByteArray> verifiedText(rnp_ffi_t ffi, const QByteArray& signedCopy) {
    rnp_input_t input = nullptr;
    rnp_output_t output = nullptr;
    rnp_op_verify_t verify = nullptr;
    if (rnp_input_from_memory(&input, reinterpret_cast<const uint8_t*>(signedCopy.constData()),
                              static_cast<size_t>(signedCopy.size()), false) != RNP_SUCCESS) {
        return std::nullopt;
    }
    const RnpInput ownedInput(input);
    if (rnp_output_to_memory(&output, 0) != RNP_SUCCESS) {
        return std::nullopt;
    }
    const RnpOutput ownedOutput(output);
    if (rnp_op_verify_create(&verify, ffi, input, output) != RNP_SUCCESS) {
        return std::nullopt;
    }
    const bool good = rnp_op_verify_execute(verify) == RNP_SUCCESS;
    rnp_op_verify_destroy(verify);
    uint8_t* text = nullptr;
    size_t length = 0;
    if (!good || rnp_output_memory_get_buf(output, &text, &length, false) != RNP_SUCCESS) {
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(text), static_cast<qsizetype>(length));
}

// What the signature covers: trailing blanks of a line and the final line
// break are outside it.
QByteArray covered(QByteArray text) {
    if (text.endsWith("\r\n")) {
        text.chop(2);
    } else if (text.endsWith('\n')) {
        text.chop(1);
    }
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        const bool crlf = line.endsWith('\r');
        line.chop(crlf ? 1 : 0);
        while (line.endsWith(' ') || line.endsWith('\t')) {
            line.chop(1);
        }
        line.append(crlf ? "\r" : "");
    }
    return lines.join('\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const QByteArray copy(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A numbered copy holds a CR only before an LF: a template's text holds
    // none, and each line break is written as CR LF.
    if (QByteArray(copy).replace("\r\n", "\n").contains('\r')) {
        return 0;
    }
    QByteArray signedCopy;
    try {
        signedCopy = fixture.signer->clearSign(copy);
    } catch (const SealmillError& refusal) {
        fuzz::require(!refusal.message().isEmpty(), "a refusal says why");
        return 0;
    }
    const std::optional<QByteArray> text = verifiedText(fixture.verifier.get(), signedCopy);
    fuzz::require(text.has_value(), "every signed copy verifies",
                  QString::fromLatin1(signedCopy.left(400).toHex(' ')));
    fuzz::require(covered(*text) == covered(copy), "the verified text is the copy",
                  QString::fromLatin1(text->left(200).toHex(' ')) + QStringLiteral(" / ") +
                      QString::fromLatin1(copy.left(200).toHex(' ')));
    return 0;
}
