// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Preloaded into a program (LD_PRELOAD), logs the calls that put files on
// disk and publish them, in the order the program makes them, one a line, to
// the file SYNCTRACE_LOG names:
//   writeback <name>   sync_file_range          fdatasync <name>
//   fsync <name>       syncfs <name>            rename <from> <to>
//   link <from> <to>
// <name> is the last part of the path the descriptor is open at (a folder's
// ends with '/'). With SYNCTRACE_NO_ATOMIC=1 a no-replace rename fails with
// EINVAL and a hard link with EPERM, as on an SMB share. SYNCTRACE_WAIT_MS
// makes every wait for the disk take at least that long, as on a slow disk,
// whatever disk the test runs on.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));  // NOLINT: dlsym's contract
}

std::string nameOf(int fd) {
    char target[4096] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = ::readlink(link.c_str(), target, sizeof target - 1);
    std::string path(target, size > 0 ? static_cast<size_t>(size) : 0);
    struct stat status {};
    const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    path = path.substr(path.rfind('/') + 1);
    return folder ? path + '/' : path;
}

void log(const std::string& line) {
    const char* file = std::getenv("SYNCTRACE_LOG");
    if (file == nullptr) {
        return;
    }
    const int saved = errno;
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
        const std::string text = line + '\n';
        (void)!::write(fd, text.data(), text.size());
        ::close(fd);
    }
    errno = saved;
}

void slowDisk() {
    const char* value = std::getenv("SYNCTRACE_WAIT_MS");
    if (value != nullptr) {
        ::usleep(static_cast<useconds_t>(std::atoi(value)) * 1000);
    }
}

bool noAtomic() {
    const char* value = std::getenv("SYNCTRACE_NO_ATOMIC");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace

extern "C" {

int fdatasync(int fd) {
    log("fdatasync " + nameOf(fd));
    slowDisk();
    return next<int (*)(int)>("fdatasync")(fd);
}

int fsync(int fd) {
    log("fsync " + nameOf(fd));
    return next<int (*)(int)>("fsync")(fd);
}

int syncfs(int fd) {
    log("syncfs " + nameOf(fd));
    slowDisk();
    return next<int (*)(int)>("syncfs")(fd);
}

int sync_file_range(int fd, off64_t offset, off64_t count, unsigned int flags) {
    log("writeback " + nameOf(fd));
    return next<int (*)(int, off64_t, off64_t, unsigned int)>("sync_file_range")(fd, offset, count,
                                                                                 flags);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    log(std::string("rename ") + from + ' ' + to);
    if (noAtomic()) {
        errno = EINVAL;
        return -1;
    }
    return next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2")(
        fromDir, from, toDir, to, flags);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    log(std::string("link ") + from + ' ' + to);
    if (noAtomic()) {
        errno = EPERM;
        return -1;
    }
    return next<int (*)(int, const char*, int, const char*, int)>("linkat")(fromDir, from, toDir,
                                                                            to, flags);
}
}
