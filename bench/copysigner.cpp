// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The cheapest signer there can be: takes the PGP 2.6 command line
// (-sta <work> -u <key> -o <out> -z <pass> +BATCHMODE), copies the work file
// to the output path and exits 0. Plain system calls, no Qt, no C++ runtime
// work, so that starting it costs what starting any process costs.
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

const char* optionValue(int argc, char** argv, const char* option) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) {  // NOLINT: argv is a C array
            return argv[i + 1];                   // NOLINT
        }
    }
    return nullptr;
}

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;  // NOLINT: pointer arithmetic over a buffer
        size -= written;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* work = optionValue(argc, argv, "-sta");
    const char* out = optionValue(argc, argv, "-o");
    if (work == nullptr || out == nullptr) {
        return 5;
    }
    const int in = ::open(work, O_RDONLY | O_CLOEXEC);
    const int to = ::open(out, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (in < 0 || to < 0) {
        return 2;
    }
    static char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return 3;
        }
        if (got == 0) {
            break;
        }
        if (!writeAll(to, buffer, got)) {
            return 3;
        }
    }
    return ::close(to) == 0 ? 0 : 3;
}
