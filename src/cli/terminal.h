#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The few terminal and descriptor calls the command line needs, in one place.
namespace terminal {

[[nodiscard]] bool isTerminal(int fd);
[[nodiscard]] int columns(int fd);  // 80 when unknown

// Reads everything up to the first line break or the end from descriptor fd.
[[nodiscard]] std::optional<QByteArray> readLineFromFd(int fd);

// Prints `prompt` on the terminal and reads one line with echo turned off.
[[nodiscard]] std::optional<QByteArray> promptWithoutEcho(const QString& prompt);

void writeError(const QString& text);  // to standard error, as is

}  // namespace terminal
