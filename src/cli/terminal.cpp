// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "terminal.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstdio>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace terminal {

bool isTerminal(int fd) {
#ifdef Q_OS_WIN
    return _isatty(fd) != 0;
#else
    return ::isatty(fd) == 1;
#endif
}

int columns(int fd) {
#ifndef Q_OS_WIN
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
#else
    Q_UNUSED(fd);
#endif
    return 80;
}

std::optional<QByteArray> readLineFromFd(int fd, qsizetype limit) {
    QByteArray line;
    std::array<char, 512> block{};
    while (line.size() <= limit) {
#ifdef Q_OS_WIN
        const int got = _read(fd, block.data(), static_cast<unsigned>(block.size()));
#else
        const ssize_t got = ::read(fd, block.data(), block.size());
#endif
        if (got < 0) {
            return std::nullopt;
        }
        const char* const end = block.data() + got;
        const char* const lineBreak = std::find(std::as_const(block).data(), end, '\n');
        line.append(block.data(), lineBreak - block.data());
        if (got == 0 || lineBreak != end) {
            break;
        }
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

int openForReading(const QString& path) {
#ifdef Q_OS_WIN
    return _wopen(reinterpret_cast<const wchar_t*>(path.utf16()), _O_RDONLY | _O_BINARY);
#else
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
#endif
}

void closeDescriptor(int fd) {
#ifdef Q_OS_WIN
    _close(fd);
#else
    ::close(fd);
#endif
}

std::optional<QByteArray> promptWithoutEcho(const QString& prompt, qsizetype limit) {
    writeError(prompt);
#ifdef Q_OS_WIN
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    GetConsoleMode(in, &mode);
    SetConsoleMode(in, mode & ~ENABLE_ECHO_INPUT);
    auto line = readLineFromFd(0, limit);
    SetConsoleMode(in, mode);
#else
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
#endif
    writeError(QStringLiteral("\n"));
    return line;
}

void writeError(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

}  // namespace terminal
