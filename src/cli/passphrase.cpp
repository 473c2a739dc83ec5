// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "passphrase.h"

#include "cancelsignals.h"
#include "terminal.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kVariable = "SEALMILL_PASSPHRASE";

PassphraseResult checked(std::optional<QByteArray> phrase, const QString& readError) {
    if (!phrase) {
        return {std::nullopt, readError};
    }
    if (phrase->size() > kMostPassphraseBytes) {
        return {
            std::nullopt,
            QStringLiteral("the pass phrase is longer than %1 bytes").arg(kMostPassphraseBytes)};
    }
    return {std::move(phrase), {}};
}

// Taken out of the environment once read: the signer and whatever it starts
// (gpg, gpg-agent) inherit the environment and need not hold it. The process's
// own starting environment, which /proc/<pid>/environ shows for as long as it
// runs, gets its bytes overwritten.
QByteArray takeVariable() {
    QByteArray phrase = qgetenv(kVariable);
#ifdef Q_OS_UNIX
    if (char* value = std::getenv(kVariable)) {  // NOLINT(concurrency-mt-unsafe): no threads yet
        std::memset(value, 0, std::strlen(value));
    }
#endif
    qunsetenv(kVariable);
    return phrase;
}

}  // namespace

PassphraseResult readPassphrase(const PressOptions& options) {
    if (options.passphraseFd >= 0) {
        auto line = terminal::readLineFromFd(options.passphraseFd, kMostPassphraseBytes);
        // Closed, so the rest of what it gives never reaches the signer; a
        // standard stream stays, the signer gets its own.
        if (options.passphraseFd > 2) {
            terminal::closeDescriptor(options.passphraseFd);
        }
        return checked(std::move(line),
                       QStringLiteral("cannot read the pass phrase from file descriptor %1")
                           .arg(options.passphraseFd));
    }
    if (!options.passphraseFile.isEmpty()) {
        const int fd = terminal::openForReading(options.passphraseFile);
        if (fd < 0) {
            return {std::nullopt,
                    QStringLiteral("Cannot open file %1").arg(options.passphraseFile)};
        }
        auto line = terminal::readLineFromFd(fd, kMostPassphraseBytes);
        terminal::closeDescriptor(fd);
        return checked(std::move(line),
                       QStringLiteral("Cannot read file %1").arg(options.passphraseFile));
    }
    if (qEnvironmentVariableIsSet(kVariable)) {
        return checked(takeVariable(), {});
    }
    if (terminal::isTerminal(0)) {
        // Ctrl+C ends the read at once: the cancel handlers do not restart it.
        std::optional<QByteArray> line = terminal::promptWithoutEcho(
            QStringLiteral("Pass phrase for %1: ").arg(options.keyId), kMostPassphraseBytes);
        if (cancelsignals::poll() != 0) {
            return {std::nullopt, QStringLiteral("cancelled")};
        }
        if (line) {
            return checked(std::move(line), {});
        }
    }
    return {std::nullopt,
            QStringLiteral("no pass phrase: give --passphrase-fd, --passphrase-file or "
                           "SEALMILL_PASSPHRASE, or run on a terminal")};
}
