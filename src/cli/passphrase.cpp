#include "passphrase.h"

#include "cancelsignals.h"
#include "localbytes.h"
#include "terminal.h"

#include <QFile>

namespace {

QString firstLine(QByteArray bytes) {
    if (const qsizetype brk = bytes.indexOf('\n'); brk >= 0) {
        bytes.truncate(brk);
    }
    if (bytes.endsWith('\r')) {
        bytes.chop(1);
    }
    return sealmill::decodeLocal(bytes);
}

}  // namespace

PassphraseResult readPassphrase(const PressOptions& options) {
    if (options.passphraseFd >= 0) {
        const auto line = terminal::readLineFromFd(options.passphraseFd);
        if (!line) {
            return {std::nullopt, QStringLiteral("cannot read the pass phrase from file "
                                                 "descriptor %1")
                                      .arg(options.passphraseFd)};
        }
        return {firstLine(*line), {}};
    }
    if (!options.passphraseFile.isEmpty()) {
        QFile file(options.passphraseFile);
        if (!file.open(QIODevice::ReadOnly)) {
            return {std::nullopt,
                    QStringLiteral("Cannot open file %1").arg(options.passphraseFile)};
        }
        return {firstLine(file.readAll()), {}};
    }
    if (qEnvironmentVariableIsSet("SEALMILL_PASSPHRASE")) {
        // Taken out of the environment once read: the signer and whatever it
        // starts (gpg, gpg-agent) inherit the environment and need not hold it.
        QString phrase = qEnvironmentVariable("SEALMILL_PASSPHRASE");
        qunsetenv("SEALMILL_PASSPHRASE");
        return {phrase, {}};
    }
    if (terminal::isTerminal(0)) {
        std::optional<QByteArray> line;
        cancelsignals::interruptible([&] {
            line = terminal::promptWithoutEcho(
                QStringLiteral("Pass phrase for %1: ").arg(options.keyId));
        });
        if (cancelsignals::poll() != 0) {
            return {std::nullopt, QStringLiteral("cancelled")};
        }
        if (line) {
            return {firstLine(*line), {}};
        }
    }
    return {std::nullopt,
            QStringLiteral("no pass phrase: give --passphrase-fd, --passphrase-file or "
                           "SEALMILL_PASSPHRASE, or run on a terminal")};
}
