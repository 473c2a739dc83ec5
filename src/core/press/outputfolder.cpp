// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/outputfolder.h"

#include "core/platform/systemencoding.h"
#include "core/sealmillerror.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sealmill {

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

SealmillError cannotCreate(const QString& path, int error) {
    return SealmillError(QStringLiteral("Cannot create file %1: %2").arg(path, reason(error)));
}

SealmillError streamWriteError(const QString& path, int error) {
    return SealmillError(QStringLiteral("Stream write error"),
                         QStringLiteral("%1: %2").arg(path, reason(error)));
}

// Writes every piece; 0, or the error that stopped it.
int writeAll(int fd, const QList<QByteArrayView>& pieces) {
    for (const QByteArrayView piece : pieces) {
        const char* data = piece.data();
        auto left = static_cast<size_t>(piece.size());
        while (left > 0) {
            const ssize_t count = ::write(fd, data, left);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return count < 0 ? errno : ENOSPC;
            }
            data += count;  // NOLINT: walking a buffer
            left -= static_cast<size_t>(count);
        }
    }
    return 0;
}

int dataSync(int fd) {
    int result = 0;
    do {
        result = ::fdatasync(fd);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

// Starts writing the file's bytes to disk without waiting for them, so that
// the wait for a whole batch costs about as much as the wait for one file.
void startWriteback(int fd) {
#ifdef __linux__
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(fd)
#endif
}

// The file system has no such operation (SMB shares, some FUSE file systems).
bool notSupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;  // ENOTSUP on Linux too
}

const QString kFolderLeft = QStringLiteral(
    "Nothing more is published, and the run's temporary files are removed from the folder it "
    "had opened.");

// The folder as the user named it, for messages.
QString shownFolder(const QString& directory) {
    return directory.size() > 1 && directory.endsWith(u'/') ? directory.chopped(1) : directory;
}

}  // namespace

OpenFile::~OpenFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.release();
    }
    return *this;
}

OutputFolder::OutputFolder(const QString& directory) : path_(directory) {
    const QByteArray name = encodeLocal(directory);
    fd_ = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0) {
        const int error = errno;
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw SealmillError(
            QStringLiteral("Cannot open folder %1: %2").arg(shownFolder(path_), reason(error)));
    }
    device_ = status.st_dev;
    inode_ = status.st_ino;
}

OutputFolder::~OutputFolder() {
    ::close(fd_);
}

bool OutputFolder::isNameTaken(const QString& name) const {
    struct stat status {};
    return ::fstatat(fd_, encodeLocal(name).constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

void OutputFolder::checkInPlace() const {
    struct stat opened {};
    if (::fstat(fd_, &opened) == 0 && opened.st_nlink == 0) {
        throw SealmillError(QStringLiteral("The output folder %1 was removed during the run")
                                .arg(shownFolder(path_)),
                            kFolderLeft);
    }
    struct stat now {};
    if (::stat(encodeLocal(path_).constData(), &now) != 0) {
        throw SealmillError(
            QStringLiteral("The output folder %1 was renamed or moved away during the run")
                .arg(shownFolder(path_)),
            kFolderLeft);
    }
    if (now.st_dev != device_ || now.st_ino != inode_) {
        throw SealmillError(
            QStringLiteral("The output folder %1 was replaced by another folder during the run")
                .arg(shownFolder(path_)),
            kFolderLeft);
    }
}

OpenFile OutputFolder::createFile(const QString& name, mode_t mode) const {
    OpenFile file(::openat(fd_, encodeLocal(name).constData(),
                           O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!file.isOpen()) {
        throw cannotCreate(pathOf(name), errno);
    }
    return file;
}

void OutputFolder::writeNewFile(const QString& name, const QList<QByteArrayView>& pieces) const {
    const OpenFile file = createFile(name, 0600);
    if (const int error = writeAll(file.fd(), pieces); error != 0) {
        remove(name);  // ours, and only part of the text
        throw streamWriteError(pathOf(name), error);
    }
}

OpenFile OutputFolder::writeSignedCopy(const QString& name, QByteArrayView bytes) const {
    // A signed copy is for others to read, as one from gpg would be.
    OpenFile file = createFile(name, 0666);
    if (const int error = writeAll(file.fd(), {bytes}); error != 0) {
        remove(name);
        throw streamWriteError(pathOf(name), error);
    }
    startWriteback(file.fd());
    return file;
}

OpenFile OutputFolder::openSignedCopy(const QString& name) const {
    // Never waits at a pipe someone put there, never follows a link.
    OpenFile file(::openat(fd_, encodeLocal(name).constData(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!file.isOpen() || ::fstat(file.fd(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size <= 0) {
        return {};
    }
    startWriteback(file.fd());
    return file;
}

void OutputFolder::makeDurable(int file, const QString& name) const {
    if (const int error = dataSync(file); error != 0) {
        throw streamWriteError(pathOf(name), error);
    }
}

void OutputFolder::makeAllDurable() const {
#ifdef __linux__
    if (::syncfs(fd_) != 0) {
        throw streamWriteError(path_, errno);
    }
#else
    ::sync();
#endif
}

Publication OutputFolder::publish(const OpenFile& file, const QString& from, const QString& to) {
    const QByteArray source = encodeLocal(from);
    const QByteArray target = encodeLocal(to);
#ifdef __linux__
    if (::renameat2(fd_, source.constData(), fd_, target.constData(), RENAME_NOREPLACE) == 0) {
        return Publication::Published;
    }
    if (errno == EEXIST) {
        return Publication::NameTaken;
    }
    if (!notSupported(errno)) {
        throw cannotCreate(pathOf(to), errno);
    }
#endif
    // A hard link never replaces either.
    if (::linkat(fd_, source.constData(), fd_, target.constData(), 0) == 0) {
        remove(from);
        return Publication::Published;
    }
    if (errno == EEXIST) {
        return Publication::NameTaken;
    }
    if (!notSupported(errno) && errno != EPERM) {
        throw cannotCreate(pathOf(to), errno);
    }
    return copyExclusively(file, from, to);
}

// The name is taken in one step as a new file, so nothing is replaced here
// either; only the bytes arrive after it.
Publication OutputFolder::copyExclusively(const OpenFile& file, const QString& from,
                                          const QString& to) {
    struct stat status {};
    if (::fstat(file.fd(), &status) != 0) {
        throw cannotCreate(pathOf(to), errno);
    }
    OpenFile target(::openat(fd_, encodeLocal(to).constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             status.st_mode & 0777));
    if (!target.isOpen()) {
        if (errno == EEXIST) {
            return Publication::NameTaken;
        }
        throw cannotCreate(pathOf(to), errno);
    }
    atomic_ = false;
    constexpr qsizetype kBufferSize = 64 * qsizetype{1024};
    QByteArray buffer(kBufferSize, Qt::Uninitialized);
    int error = 0;
    for (off_t at = 0; error == 0;) {
        const ssize_t count = ::pread(file.fd(), buffer.data(), buffer.size(), at);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error = count < 0 ? errno : 0;
            break;
        }
        error = writeAll(target.fd(), {QByteArrayView(buffer.constData(), count)});
        at += count;
    }
    if (error == 0) {
        error = dataSync(target.fd());
    }
    if (error != 0) {
        remove(to);  // ours, and only part of the copy
        throw cannotCreate(pathOf(to), error);
    }
    remove(from);
    return Publication::Published;
}

void OutputFolder::flushEntries() const {
    int result = 0;
    do {
        result = ::fsync(fd_);
    } while (result != 0 && errno == EINTR);
    // Some file systems cannot flush a folder on its own; their entries go
    // with the files' data.
    if (result != 0 && errno != EINVAL) {
        throw streamWriteError(path_, errno);
    }
}

void OutputFolder::remove(const QString& name) const noexcept {
    if (!name.isEmpty()) {
        ::unlinkat(fd_, encodeLocal(name).constData(), 0);
    }
}

}  // namespace sealmill
