#include "terminal.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
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

std::optional<QByteArray> readLineFromFd(int fd) {
    QByteArray line;
    char c = 0;
    for (;;) {
#ifdef Q_OS_WIN
        const int got = _read(fd, &c, 1);
#else
        const ssize_t got = ::read(fd, &c, 1);
#endif
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0 || c == '\n') {
            break;
        }
        line.append(c);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

std::optional<QByteArray> promptWithoutEcho(const QString& prompt) {
    writeError(prompt);
#ifdef Q_OS_WIN
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    GetConsoleMode(in, &mode);
    SetConsoleMode(in, mode & ~ENABLE_ECHO_INPUT);
    auto line = readLineFromFd(0);
    SetConsoleMode(in, mode);
#else
    termios saved{};
    const bool canHide = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    auto line = readLineFromFd(STDIN_FILENO);
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
