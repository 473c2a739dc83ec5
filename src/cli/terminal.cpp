// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal.h"

#include "core/platform/systemencoding.h"

#include <QFile>
#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <cstdio>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace terminal {

bool isTerminal(int fd) {
    return ::isatty(fd) == 1;
}

int columns(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

std::optional<sealmill::SecretBytes> readLineFromFd(int fd, qsizetype limit) {
    sealmill::SecretBytes line;
    std::array<char, 512> block{};
    const auto wipeBlock = qScopeGuard([&block] { sealmill::wipeMemory(block.data(), 512); });
    while (line.size() <= limit) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0) {
            return std::nullopt;
        }
        const char* const end = block.data() + got;
        const char* const lineBreak = std::find(std::as_const(block).data(), end, '\n');
        line.append(QByteArrayView(block.data(), lineBreak - block.data()));
        if (got == 0 || lineBreak != end) {
            break;
        }
    }
    if (line.view().endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

int openForReading(const QString& path) {
    return ::open(sealmill::encodeLocal(path).constData(), O_RDONLY | O_CLOEXEC);
}

void closeDescriptor(int fd) {
    ::close(fd);
}

std::optional<sealmill::SecretBytes> promptWithoutEcho(const QString& prompt, qsizetype limit) {
    writeError(prompt);
    termios saved{};
    const bool canHide = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    auto line = readLineFromFd(STDIN_FILENO, limit);
    if (canHide) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    }
    writeError(QStringLiteral("\n"));
    return line;
}

void writeError(const QString& text) {
    const QByteArray bytes = sealmill::showLocal(text).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace terminal
