#include "clearsigner.h"

#include "sealmillerror.h"

#include <utility>

namespace sealmill {

namespace {

void check(rnp_result_t result) {
    if (result != RNP_SUCCESS) {
        throw SealmillError(QStringLiteral("Signing failed: %1")
                                .arg(QString::fromUtf8(rnp_result_to_string(result))));
    }
}

}  // namespace

ClearSigner::ClearSigner(RnpFfi context, RnpKey key, QByteArray hash)
    : context_(std::move(context)), key_(std::move(key)), hash_(std::move(hash)) {
}

QByteArray ClearSigner::clearSign(QByteArrayView text) {
    // As gpg does, the text's final line break ends its last line and is not
    // signed; RNP would sign it and add an empty line before the signature.
    if (text.endsWith("\r\n")) {
        text.chop(2);
    } else if (text.endsWith('\n')) {
        text.chop(1);
    }
    static constexpr uint8_t kNoText = 0;  // RNP takes no null buffer, even an empty one
    rnp_input_t input = nullptr;
    check(rnp_input_from_memory(
        &input, text.isEmpty() ? &kNoText : reinterpret_cast<const uint8_t*>(text.data()),
        static_cast<size_t>(text.size()), false));
    const RnpInput ownedInput(input);
    rnp_output_t output = nullptr;
    check(rnp_output_to_memory(&output, 0));
    const RnpOutput ownedOutput(output);
    rnp_op_sign_t operation = nullptr;
    check(rnp_op_sign_cleartext_create(&operation, context_.get(), input, output));
    const RnpSigning ownedOperation(operation);
    rnp_op_sign_signature_t signature = nullptr;
    check(rnp_op_sign_add_signature(operation, key_.get(), &signature));
    check(rnp_op_sign_signature_set_hash(signature, hash_.constData()));
    check(rnp_op_sign_execute(operation));
    uint8_t* signedText = nullptr;
    size_t length = 0;
    check(rnp_output_memory_get_buf(output, &signedText, &length, false));
    return {reinterpret_cast<const char*>(signedText), static_cast<qsizetype>(length)};
}

}  // namespace sealmill
