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

PassphraseResult checked(std::optional<sealmill::SecretBytes> phrase, const QString& readError) {
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

}  // namespace

std::optional<sealmill::SecretBytes> takePassphraseVariable() {
    // NOLINTNEXTLINE(concurrency-mt-unsafe): no thread runs yet
    char* value = std::getenv(kVariable);
    if (value == nullptr) {
        return std::nullopt;
    }
    sealmill::SecretBytes phrase(QByteArrayView(value, static_cast<qsizetype>(std::strlen(value))));
    sealmill::wipeMemory(value, static_cast<qsizetype>(std::strlen(value)));
    qunsetenv(kVariable);
    return phrase;
}

PassphraseResult readPassphrase(const PressOptions& options,
                                std::optional<sealmill::SecretBytes> fromVariable) {
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
    if (fromVariable) {
        return checked(std::move(fromVariable), {});
    }
    if (terminal::isTerminal(0)) {
        // Ctrl+C ends the read at once: the cancel handlers do not restart it.
        auto line = terminal::promptWithoutEcho(
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
