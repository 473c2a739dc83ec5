// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The few terminal and descriptor calls the command line needs, in one place.
namespace terminal {

[[nodiscard]] bool isTerminal(int fd);
[[nodiscard]] int columns(int fd);  // 80 when unknown

// The first line from descriptor fd, without its line break, read in blocks:
// stops at the first break, at the end, or once the line is longer than
// `limit` bytes (then it is returned that long). Empty when a read fails, also
// when a signal interrupts it. Every buffer it read into is wiped.
[[nodiscard]] std::optional<sealmill::SecretBytes> readLineFromFd(int fd, qsizetype limit);

// Opens a file for readLineFromFd; -1 when it cannot be opened.
[[nodiscard]] int openForReading(const QString& path);
void closeDescriptor(int fd);

// Prints `prompt` on the terminal and reads one line with echo turned off.
[[nodiscard]] std::optional<sealmill::SecretBytes> promptWithoutEcho(const QString& prompt,
                                                                     qsizetype limit);

// To standard error, as is but for bytes that are not UTF-8, shown as \xNN.
void writeError(const QString& text);

}  // namespace terminal
