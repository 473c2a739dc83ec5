// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "gpgkeyring.h"

#include <QDir>
#include <QProcess>
#include <optional>

namespace sealmill {

namespace {

// gpg-error codes in its ERROR status lines, without their source.
constexpr int kBadPassphrase = 11;
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

struct GpgRun {
    std::optional<int> exitCode;  // none: not started, or ended by a signal
    QByteArray said;              // the end of its messages and status lines
};

// What gpg said last is enough to explain a failure.
constexpr qsizetype kSaidBytes = 4096;

// Runs gpg in batch mode with its status lines among its messages, `input` on
// its standard input, its standard output into `output` only. Waits: this
// runs off the window thread. The secret key gpg exports is still protected
// by the pass phrase; the pass phrase passes through Qt's pipe buffer.
GpgRun runGpg(const GpgKeyring& keyring, const QStringList& arguments, QByteArrayView input,
              SecretBytes& output) {
    QStringList all{QStringLiteral("--batch"), QStringLiteral("--status-fd"), QStringLiteral("2")};
    if (!keyring.home.isEmpty()) {
        all << QStringLiteral("--homedir") << keyring.home;
    }
    all << arguments;
    QProcess gpg;
    gpg.start(keyring.program, all);
    if (!gpg.waitForStarted(-1)) {
        return {};
    }
    gpg.write(input.data(), input.size());
    gpg.closeWriteChannel();
    gpg.waitForFinished(-1);
    QByteArray exported = gpg.readAllStandardOutput();
    output.append(exported);
    wipeMemory(exported.data(), exported.size());
    GpgRun run;
    run.said = gpg.readAllStandardError().right(kSaidBytes);
    if (gpg.exitStatus() == QProcess::NormalExit) {
        run.exitCode = gpg.exitCode();
    }
    return run;
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
QString lastMessage(const GpgRun& run) {
    QString message;
    for (const QByteArray& line : run.said.split('\n')) {
        if (line.startsWith("gpg: ")) {
            message = QString::fromLocal8Bit(line.mid(5)).trimmed();
        }
    }
    if (!message.isEmpty()) {
        return message;
    }
    return run.exitCode ? QStringLiteral("it ended with exit code %1").arg(*run.exitCode)
                        : QStringLiteral("it could not be started or was killed");
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
    const QString fromEnvironment = qEnvironmentVariable("GNUPGHOME");
    return fromEnvironment.isEmpty() ? QDir::home().filePath(QStringLiteral(".gnupg"))
                                     : fromEnvironment;
}

QList<ListedKey> parseSecretKeyListing(const QByteArray& colons) {
    QList<ListedKey> keys;
    for (const QByteArray& line : colons.split('\n')) {
        const QList<QByteArray> fields = line.split(':');
        const QByteArray& type = fields.first();
        if (type == "sec") {
            keys.append({QString(), {listedPart(fields)}});
        } else if (keys.isEmpty()) {
            continue;
        } else if (type == "ssb") {
            keys.last().parts.append(listedPart(fields));
        } else if (type == "fpr" && keys.last().parts.last().fingerprint.isEmpty()) {
            keys.last().parts.last().fingerprint = QString::fromLatin1(fields.value(kFingerprint));
        } else if (type == "uid" && keys.last().userId.isEmpty()) {
            keys.last().userId = unescaped(fields.value(kUserId));
        }
    }
    return keys;
}

std::variant<ListedKey, KeyFailure> findSecretKey(const GpgKeyring& keyring, const QString& keyId) {
    // The system ends every argument at a NUL: gpg would look for another key.
    if (keyId.contains(QChar::Null)) {
        return noSuchKey(keyId, keyring.folder());
    }
    SecretBytes listing;
    const GpgRun run = runGpg(keyring,
                              {QStringLiteral("--with-colons"),
                               QStringLiteral("--list-secret-keys"), QStringLiteral("--"), keyId},
                              {}, listing);
    const QList<ListedKey> keys = parseSecretKeyListing(listing.view().toByteArray());
    if (keys.isEmpty()) {
        const int error = statusError(run.said);
        if (run.exitCode == 0 || error == kNoSecretKey || error == kInvalidUserId) {
            return noSuchKey(keyId, keyring.folder());
        }
        return gpgFailed(lastMessage(run));
    }
    if (keys.size() > 1) {
        QStringList lines;
        for (const ListedKey& key : keys) {
            lines << key.fingerprint() + QStringLiteral("  ") + key.userId;
        }
        return severalKeys(keyId, lines);
    }
    const ListedKey& key = keys.first();
    const std::variant<qsizetype, KeyFailure> part = signingPart(key.parts, key.name());
    if (const auto* failure = std::get_if<KeyFailure>(&part)) {
        return *failure;
    }
    return key;
}

std::variant<SecretBytes, KeyFailure> exportSecretKey(const GpgKeyring& keyring,
                                                      const ListedKey& key,
                                                      const SecretBytes& passPhrase) {
    SecretBytes exported;
    const GpgRun run =
        runGpg(keyring,
               {QStringLiteral("--pinentry-mode"), QStringLiteral("loopback"),
                QStringLiteral("--passphrase-fd"), QStringLiteral("0"),
                QStringLiteral("--export-secret-keys"), QStringLiteral("--"), key.fingerprint()},
               passPhrase.view(), exported);
    if (run.exitCode == 0 && !exported.isEmpty()) {
        return exported;
    }
    const int error = statusError(run.said);
    if (error == kBadPassphrase || error == kNoPassphrase) {
        return wrongPassPhrase(key.name());
    }
    return gpgFailed(lastMessage(run));
}

}  // namespace sealmill
