// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/verifyingkey.h"

#include "core/signing/builtin/gpgkeyring.h"
#include "core/signing/builtin/rnpcontext.h"
#include "core/signing/builtin/rnpkeys.h"
#include "core/signing/builtin/rnplog.h"

#include <QStandardPaths>

namespace sealmill {

namespace {

// The one primary key among `packets`, exported public; `path` names the file
// in messages, empty for a keyring's export.
std::variant<std::unique_ptr<VerifyingKey>, KeyFailure> publicKey(QByteArrayView packets,
                                                                  const QString& path) {
    const RnpLog log;  // RNP's reasons, for the failure's details
    const RnpFfi context = newRnpContext();
    const bool loaded = loadPublicKeys(context.get(), packets);
    const std::vector<RnpKey> keys = loaded ? primaryKeys(context.get()) : std::vector<RnpKey>();
    if (keys.empty()) {
        KeyFailure failure = path.isEmpty()
                                 ? gpgFailed(QStringLiteral("it exported no key RNP can read"))
                                 : keyFileHoldsNoPublicKey(path);
        failure.details = log.lines();
        return failure;
    }
    if (keys.size() > 1) {
        return severalPublicKeysInFile(path, keyLines(keys));
    }
    rnp_key_handle_t key = keys.front().get();
    return std::make_unique<VerifyingKey>(
        publicPackets(key), rnpText([key](char** text) { return rnp_key_get_fprint(key, text); }),
        keyName(key));
}

}  // namespace

std::variant<std::unique_ptr<VerifyingKey>, KeyFailure> loadVerifyingKey(const KeySource& source) {
    if (const auto* file = std::get_if<KeyFile>(&source)) {
        const std::variant<SecretBytes, KeyFailure> packets = readKeyFile(file->path);
        if (const auto* failure = std::get_if<KeyFailure>(&packets)) {
            return *failure;
        }
        return publicKey(std::get<SecretBytes>(packets).view(), file->path);
    }
    const auto& wanted = std::get<KeyringKey>(source);
    const GpgKeyring keyring{QStandardPaths::findExecutable(QStringLiteral("gpg")),
                             wanted.gnupgHome};
    if (keyring.program.isEmpty()) {
        return gpgNotInstalled();
    }
    const std::variant<ListedKey, KeyFailure> found = findPublicKey(keyring, wanted.keyId);
    if (const auto* failure = std::get_if<KeyFailure>(&found)) {
        return *failure;
    }
    const std::variant<QByteArray, KeyFailure> exported =
        exportPublicKey(keyring, std::get<ListedKey>(found));
    if (const auto* failure = std::get_if<KeyFailure>(&exported)) {
        return *failure;
    }
    return publicKey(std::get<QByteArray>(exported), {});
}

}  // namespace sealmill
