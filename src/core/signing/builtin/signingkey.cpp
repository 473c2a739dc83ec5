// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/signingkey.h"

#include "core/sealmillerror.h"
#include "core/signing/builtin/gpgkeyring.h"
#include "core/signing/builtin/rnpkeys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <array>
#include <cerrno>
#include <optional>
#include <utility>

namespace sealmill {

namespace {

// Far more than any key file, small enough to read into memory.
constexpr qint64 kMostKeyFileBytes = qint64{16} * 1024 * 1024;

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
// which must hold one key.
std::variant<std::unique_ptr<SigningKey>, KeyFailure> unlockKey(SecretBytes packets,
                                                                SecretBytes& passPhrase,
                                                                const QString& primary,
                                                                const QString& path) {
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
        return primary.isEmpty() ? keyFileHoldsNoKey(path)
                                 : gpgFailed(QStringLiteral("it exported no key RNP can read"));
    }
    if (keys.size() > 1) {
        return severalKeysInFile(path, keyLines(keys));
    }
    rnp_key_handle_t key = keys.front().get();
    const QString name = keyName(key);
    std::vector<RnpKey> subkeys;
    const QList<KeyPart> parts = keyParts(key, subkeys);
    const std::variant<qsizetype, KeyFailure> chosen = signingSubkey(parts, name);
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
        return cannotUnlock(name, QString::fromUtf8(rnp_result_to_string(result)));
    }
    return std::make_unique<SigningKey>(keyPackets(key), std::move(password),
                                        parts.at(index).fingerprint, preferredHash(key));
}

}  // namespace

// Opened without waiting and only when a regular file: a FIFO with no writer
// would hold the open, a device the read, for ever.
std::optional<SecretBytes> readKeyFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const auto closeIt = qScopeGuard([fd] { ::close(fd); });
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    SecretBytes bytes;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            bytes.append(QByteArrayView(buffer.data(), got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || bytes.size() > kMostKeyFileBytes) {
            wipeMemory(buffer.data(), buffer.size());
            return got < 0 ? std::nullopt : std::optional(std::move(bytes));
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
        std::optional<SecretBytes> packets = readKeyFile(file->path);
        if (!packets) {
            return keyFileUnreadable(file->path);
        }
        return unlockKey(std::move(*packets), passPhrase, {}, file->path);
    }
    const auto& wanted = std::get<KeyringKey>(source);
    GpgKeyring keyring{QStandardPaths::findExecutable(QStringLiteral("gpg")), wanted.gnupgHome};
    keyring.stop = stop;
    if (keyring.program.isEmpty()) {
        return gpgNotInstalled();
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
    return unlockKey(std::move(std::get<SecretBytes>(exported)), passPhrase, key.fingerprint(), {});
}

}  // namespace sealmill
