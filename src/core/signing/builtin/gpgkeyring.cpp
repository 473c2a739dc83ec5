// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/gpgkeyring.h"

#include "core/platform/systemencoding.h"

#include <pwd.h>
#include <unistd.h>
#include <array>

namespace sealmill {

namespace {

// gpg-error codes in its ERROR status lines, without their source.
constexpr int kBadPassphrase = 11;
constexpr int kNoPublicKey = 9;
constexpr int kNoSecretKey = 17;
constexpr int kInvalidUserId = 37;
constexpr int kNoPassphrase = 177;
constexpr int kErrorCodeMask = 0xffff;

// Fields of a colon listing line.
constexpr int kValidity = 1;
constexpr int kCreated = 5;
constexpr int kFingerprint = 9;  // of fpr lines
constexpr int kUserId = 9;       // of uid lines
constexpr int kCapabilities = 11;
constexpr int kToken = 14;

// The most an export may print: far more than any key, little to hold.
constexpr qsizetype kMebibyte = qsizetype{1024} * 1024;
constexpr qsizetype kMostExportMebibytes = 16;
constexpr qsizetype kMostExportBytes = kMostExportMebibytes * kMebibyte;

// Room for one account's entry in the user database.
constexpr size_t kAccountBufferBytes = 16384;

// Runs gpg in batch mode with its status lines among its messages, `input` on
// its standard input, its standard output into `output` only. Waits: this
// runs off the window thread, and ends when the keyring's stop flag is set.
// The secret key gpg exports is still protected by the pass phrase.
GpgCall runGpg(const GpgKeyring& keyring, const QStringList& arguments, QByteArrayView input,
               SecretBytes& output) {
    QStringList all{QStringLiteral("--batch"), QStringLiteral("--status-fd"), QStringLiteral("2")};
    if (!keyring.home.isEmpty()) {
        all << QStringLiteral("--homedir") << keyring.home;
    }
    all << arguments;
    return callGpg(keyring.program, all, input, output,
                   {keyring.stop, keyring.timeLimit, kMostExportBytes});
}

// The code of gpg's last ERROR status line, 0 when there is none.
int statusError(const QByteArray& said) {
    int code = 0;
    for (const QByteArray& line : said.split('\n')) {
        if (line.startsWith("[GNUPG:] ERROR ")) {
            code = static_cast<int>(line.split(' ').value(3).toLongLong() & kErrorCodeMask);
        }
    }
    return code;
}

// What gpg said last, for a failure it has no status for.
QString lastMessage(const GpgCall& run, std::chrono::milliseconds timeLimit) {
    using Ending = GpgCall::Ending;
    switch (run.ending) {
        case Ending::TimedOut:
            return QStringLiteral("it took longer than %1 s and was ended")
                .arg(std::chrono::duration_cast<std::chrono::seconds>(timeLimit).count());
        case Ending::TooMuchOutput:
            return QStringLiteral("it printed more than %1 MiB and was ended")
                .arg(kMostExportMebibytes);
        case Ending::Stopped:
            return QStringLiteral("it was stopped");
        case Ending::NotStarted:
            return QStringLiteral("it could not be started");
        case Ending::Exited:
        case Ending::Signalled:
            break;
    }
    QString message;
    for (const QByteArray& line : run.said.split('\n')) {
        if (line.startsWith("gpg: ")) {
            message = decodeLocal(line.mid(5)).trimmed();
        }
    }
    if (!message.isEmpty()) {
        return message;
    }
    return run.ending == GpgCall::Ending::Exited
               ? QStringLiteral("it ended with exit code %1").arg(run.exitCode)
               : QStringLiteral("it was killed");
}

// A user id as the listing escapes it: \xNN for a colon, a backslash and
// control characters; the rest is UTF-8.
QString unescaped(const QByteArray& field) {
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        bool ok = false;
        const int code = field.at(i) == '\\' && field.mid(i + 1, 1) == "x"
                             ? field.mid(i + 2, 2).toInt(&ok, 16)
                             : 0;
        if (ok) {
            bytes += static_cast<char>(code);
            i += 3;
        } else {
            bytes += field.at(i);
        }
    }
    return QString::fromUtf8(bytes);
}

KeyPart listedPart(const QList<QByteArray>& fields) {
    const QByteArray validity = fields.value(kValidity);
    const QByteArray capabilities = fields.value(kCapabilities);
    const QByteArray token = fields.value(kToken);
    KeyPart part;
    part.created = fields.value(kCreated).toLongLong();
    part.canSign = capabilities.contains('s');
    part.usable = !(validity == "i" || validity == "d" || validity == "r" || validity == "e") &&
                  !capabilities.contains('D');
    if (token == "#") {
        part.secret = SecretPart::Missing;
    } else if (!token.isEmpty() && token != "+") {
        part.secret = SecretPart::OnCard;  // the card's serial number
    }
    return part;
}

}  // namespace

QString GpgKeyring::folder() const {
    if (!home.isEmpty()) {
        return home;
    }
    if (const QByteArray fromEnvironment = qgetenv("GNUPGHOME"); !fromEnvironment.isEmpty()) {
        return decodeLocal(fromEnvironment);
    }
    // As gpg finds "~": HOME, else the account's home folder.
    QByteArray userHome = qgetenv("HOME");
    if (userHome.isEmpty()) {
        passwd account{};
        passwd* found = nullptr;
        std::array<char, kAccountBufferBytes> buffer{};
        if (::getpwuid_r(::getuid(), &account, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            userHome = found->pw_dir;
        }
    }
    return userHome.isEmpty() ? QString() : decodeLocal(userHome) + QStringLiteral("/.gnupg");
}

QList<ListedKey> parseKeyListing(const QByteArray& colons) {
    QList<ListedKey> keys;
    for (const QByteArray& line : colons.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        const QByteArray& type = fields.first();
        if (type == "sec" || type == "pub") {
            keys.append({QString(), {listedPart(fields)}});
        } else if (keys.isEmpty()) {
            continue;
        } else if (type == "ssb" || type == "sub") {
            keys.last().parts.append(listedPart(fields));
        } else if (type == "fpr" && keys.last().parts.last().fingerprint.isEmpty()) {
            keys.last().parts.last().fingerprint = QString::fromLatin1(fields.value(kFingerprint));
        } else if (type == "uid" && keys.last().userId.isEmpty()) {
            keys.last().userId = unescaped(fields.value(kUserId));
        }
    }
    return keys;
}

namespace {

// The one key `keyId` names in gpg's listing of secret keys (`--list-secret-keys`)
// or of public keys (`--list-keys`).
std::variant<ListedKey, KeyFailure> findKey(const GpgKeyring& keyring, const QString& keyId,
                                            bool secret) {
    // The system ends every argument at a NUL: gpg would look for another key.
    if (keyId.contains(QChar::Null)) {
        return secret ? noSuchKey(keyId, keyring.folder())
                      : noSuchPublicKey(keyId, keyring.folder());
    }
    SecretBytes listing;
    const GpgCall run =
        runGpg(keyring,
               {QStringLiteral("--with-colons"),
                secret ? QStringLiteral("--list-secret-keys") : QStringLiteral("--list-keys"),
                QStringLiteral("--"), keyId},
               {}, listing);
    // A listing cut short is not parsed: megabytes of lines cost far more as
    // a list than as bytes.
    if (run.ending != GpgCall::Ending::Exited) {
        return gpgFailed(lastMessage(run, keyring.timeLimit));
    }
    const QList<ListedKey> keys = parseKeyListing(listing.view().toByteArray());
    if (keys.isEmpty()) {
        const int error = statusError(run.said);
        if (run.exitCode == 0 || error == kNoSecretKey || error == kNoPublicKey ||
            error == kInvalidUserId) {
            return secret ? noSuchKey(keyId, keyring.folder())
                          : noSuchPublicKey(keyId, keyring.folder());
        }
        return gpgFailed(lastMessage(run, keyring.timeLimit));
    }
    if (keys.size() > 1) {
        QStringList lines;
        for (const ListedKey& key : keys) {
            lines << key.fingerprint() + QStringLiteral("  ") + key.userId;
        }
        return secret ? severalKeys(keyId, lines) : severalPublicKeys(keyId, lines);
    }
    return keys.first();
}

}  // namespace

std::variant<ListedKey, KeyFailure> findSecretKey(const GpgKeyring& keyring, const QString& keyId) {
    std::variant<ListedKey, KeyFailure> found = findKey(keyring, keyId, true);
    if (const auto* key = std::get_if<ListedKey>(&found)) {
        // "FPR!" names the one part to sign with, as gpg takes it.
        const QString exactId = exactKeyId(keyId);
        const std::variant<qsizetype, KeyFailure> part =
            exactId.isEmpty() ? signingSubkey(key->parts, key->name())
                              : namedSigningPart(key->parts, exactId, key->name());
        if (const auto* failure = std::get_if<KeyFailure>(&part)) {
            return *failure;
        }
    }
    return found;
}

std::variant<ListedKey, KeyFailure> findPublicKey(const GpgKeyring& keyring, const QString& keyId) {
    return findKey(keyring, keyId, false);
}

std::variant<QByteArray, KeyFailure> exportPublicKey(const GpgKeyring& keyring,
                                                     const ListedKey& key) {
    SecretBytes exported;
    const GpgCall run =
        runGpg(keyring, {QStringLiteral("--export"), QStringLiteral("--"), key.fingerprint()}, {},
               exported);
    if (run.ending == GpgCall::Ending::Exited && run.exitCode == 0 && !exported.isEmpty()) {
        return exported.view().toByteArray();
    }
    return gpgFailed(lastMessage(run, keyring.timeLimit));
}

std::variant<SecretBytes, KeyFailure> exportSecretKey(const GpgKeyring& keyring,
                                                      const ListedKey& key,
                                                      const SecretBytes& passPhrase) {
    SecretBytes exported;
    const GpgCall run =
        runGpg(keyring,
               {QStringLiteral("--pinentry-mode"), QStringLiteral("loopback"),
                QStringLiteral("--passphrase-fd"), QStringLiteral("0"),
                QStringLiteral("--export-secret-keys"), QStringLiteral("--"), key.fingerprint()},
               passPhrase.view(), exported);
    if (run.ending == GpgCall::Ending::Exited && run.exitCode == 0 && !exported.isEmpty()) {
        return exported;
    }
    const int error = run.ending == GpgCall::Ending::Exited ? statusError(run.said) : 0;
    if (error == kBadPassphrase || error == kNoPassphrase) {
        return wrongPassPhrase(key.name());
    }
    return gpgFailed(lastMessage(run, keyring.timeLimit));
}

}  // namespace sealmill
