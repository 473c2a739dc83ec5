// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/signingkey.h"

#include "core/platform/systemencoding.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/gpgkeyring.h"
#include "core/signing/builtin/rnpkeys.h"
#include "core/signing/builtin/rnplog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <array>
#include <cerrno>
#include <utility>

namespace sealmill {

namespace {

// Far more than any key file, small enough to read into memory.
constexpr qint64 kMostKeyFileMebibytes = 16;
constexpr qint64 kMostKeyFileBytes = kMostKeyFileMebibytes * 1024 * 1024;

// The run's own password is random and as long as a key, so stretching it
// buys nothing: the fewest iterations OpenPGP can say make its unlock cheap.
constexpr size_t kRunPasswordIterations = 1024;

// 256 random bits as hex: a password with no NUL in it.
SecretBytes randomPassword() {
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    SecretBytes password;
    for (quint32& word : words) {
        for (int nibble = 0; nibble < 8; ++nibble) {
            const char digit = "0123456789abcdef"[(word >> (4 * nibble)) & 0xfU];
            password.append(QByteArrayView(&digit, 1));
        }
    }
    wipeMemory(words.data(), sizeof words);
    return password;
}

// Loads the exported key, unlocks its signing part with the pass phrase and
// protects it again with a password of the run's own, so that each signer's
// unlock costs next to nothing. `primary` is empty for a key file (`path`),
// which must hold one key. A non-empty `exactId` (see exactKeyId()) names the
// part to sign with.
std::variant<std::unique_ptr<SigningKey>, KeyFailure> unlockKey(SecretBytes packets,
                                                                SecretBytes& passPhrase,
                                                                const QString& primary,
                                                                const QString& path,
                                                                const QString& exactId) {
    const RnpLog log;
    const RnpFfi context = newRnpContext();
    const bool loaded = loadKeys(context.get(), packets.view());
    packets.clear();
    std::vector<RnpKey> keys = secretPrimaryKeys(context.get());
    if (!primary.isEmpty()) {
        std::erase_if(keys, [&primary](const RnpKey& key) {
            return rnpText([&key](char** text) { return rnp_key_get_fprint(key.get(), text); }) !=
                   primary;
        });
    }
    if (!loaded || keys.empty()) {
        KeyFailure failure = primary.isEmpty()
                                 ? keyFileHoldsNoKey(path)
                                 : gpgFailed(QStringLiteral("it exported no key RNP can read"));
        failure.details = log.lines();
        return failure;
    }
    if (keys.size() > 1) {
        return severalKeysInFile(path, keyLines(keys));
    }
    rnp_key_handle_t key = keys.front().get();
    const QString name = keyName(key);
    std::vector<RnpKey> subkeys;
    const QList<KeyPart> parts = keyParts(key, subkeys);
    const std::variant<qsizetype, KeyFailure> chosen =
        exactId.isEmpty() ? signingSubkey(parts, name) : namedSigningPart(parts, exactId, name);
    if (const auto* failure = std::get_if<KeyFailure>(&chosen)) {
        return *failure;
    }
    const qsizetype index = std::get<qsizetype>(chosen);
    rnp_key_handle_t signing = index == 0 ? key : subkeys.at(index - 1).get();

    const rnp_result_t unlocked = rnp_key_unlock(signing, passPhrase.constData());
    passPhrase.clear();
    if (unlocked == RNP_ERROR_BAD_PASSWORD) {
        return wrongPassPhrase(name);
    }
    SecretBytes password = randomPassword();
    const rnp_result_t result = unlocked != RNP_SUCCESS
                                    ? unlocked
                                    : rnp_key_protect(signing, password.constData(), nullptr,
                                                      nullptr, nullptr, kRunPasswordIterations);
    if (result != RNP_SUCCESS) {
        KeyFailure failure = cannotUnlock(name, QString::fromUtf8(rnp_result_to_string(result)));
        failure.details = log.lines();
        return failure;
    }
    return std::make_unique<SigningKey>(keyPackets(key), std::move(password),
                                        parts.at(index).fingerprint, preferredHash(key));
}

}  // namespace

// Opened without waiting and only when a regular file: a FIFO with no writer
// would hold the open, a device the read, for ever.
std::variant<SecretBytes, KeyFailure> readKeyFile(const QString& path) {
    const int fd = ::open(encodeLocal(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return keyFileUnreadable(path);
    }
    const auto closeIt = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return keyFileUnreadable(path);
    }
    if (status.st_size > kMostKeyFileBytes) {
        return keyFileTooLarge(path, kMostKeyFileMebibytes);
    }
    SecretBytes bytes;
    std::array<char, 65536> buffer{};
    const auto wipeBuffer = qScopeGuard([&buffer] { wipeMemory(buffer.data(), buffer.size()); });
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            bytes.append(QByteArrayView(buffer.data(), got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        }
        if (bytes.size() > kMostKeyFileBytes) {
            return keyFileTooLarge(path, kMostKeyFileMebibytes);
        }
        if (got <= 0) {
            return got < 0 ? std::variant<SecretBytes, KeyFailure>(keyFileUnreadable(path))
                           : std::move(bytes);
        }
    }
}

SigningKey::SigningKey(SecretBytes packets, SecretBytes password, QString fingerprint,
                       QByteArray hash)
    : packets_(std::move(packets)),
      password_(std::move(password)),
      fingerprint_(std::move(fingerprint)),
      hash_(std::move(hash)) {
}

std::unique_ptr<ClearSigner> SigningKey::newSigner() const {
    return std::make_unique<ClearSigner>(packets_, password_, fingerprint_, hash_);
}

std::variant<std::unique_ptr<SigningKey>, KeyFailure> loadSigningKey(
    const KeySource& source, SecretBytes passPhrase, const std::atomic<bool>* stop) {
    const CoreDumpsOff noCoreDumps;
    if (const auto* file = std::get_if<KeyFile>(&source)) {
        std::variant<SecretBytes, KeyFailure> packets = readKeyFile(file->path);
        if (auto* failure = std::get_if<KeyFailure>(&packets)) {
            return *failure;
        }
        return unlockKey(std::move(std::get<SecretBytes>(packets)), passPhrase, {}, file->path, {});
    }
    const auto& wanted = std::get<KeyringKey>(source);
    GpgKeyring keyring{QStandardPaths::findExecutable(QStringLiteral("gpg")), wanted.gnupgHome};
    keyring.stop = stop;
    if (keyring.program.isEmpty()) {
        return gpgNotInstalled();
    }
    if (keyring.folder().isEmpty()) {
        return noSuchKey(wanted.keyId, {});
    }
    const std::variant<ListedKey, KeyFailure> found = findSecretKey(keyring, wanted.keyId);
    if (const auto* failure = std::get_if<KeyFailure>(&found)) {
        return *failure;
    }
    const auto& key = std::get<ListedKey>(found);
    std::variant<SecretBytes, KeyFailure> exported = exportSecretKey(keyring, key, passPhrase);
    if (auto* failure = std::get_if<KeyFailure>(&exported)) {
        return *failure;
    }
    return unlockKey(std::move(std::get<SecretBytes>(exported)), passPhrase, key.fingerprint(), {},
                     exactKeyId(wanted.keyId));
}

}  // namespace sealmill
