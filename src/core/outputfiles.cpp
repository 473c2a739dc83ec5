// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "outputfiles.h"

#include "localbytes.h"
#include "sealmillerror.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace sealmill {

namespace {

SealmillError cannotCreate(const QString& path) {
    return SealmillError(QStringLiteral("Cannot create file %1").arg(path));
}

}  // namespace

#ifdef Q_OS_UNIX

bool isNameTaken(const QString& path) {
    struct stat status {};
    return ::lstat(encodeLocal(path).constData(), &status) == 0;
}

qint64 plainFileSize(const QString& path) {
    struct stat status {};
    if (::lstat(encodeLocal(path).constData(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return -1;
    }
    return status.st_size;
}

// Nothing depends on a private copy surviving a crash, so it skips the flush
// to disk an atomic save pays for: that flush cost more than everything else
// a press run does per number.
void writeNewFile(const QString& path, const QList<QByteArrayView>& pieces, NewFileAccess access) {
    const QByteArray name = encodeLocal(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          access == NewFileAccess::OwnerOnly ? 0600 : 0666);
    if (fd < 0) {
        throw cannotCreate(path);
    }
    bool written = true;
    int error = 0;
    for (const QByteArrayView piece : pieces) {
        const char* data = piece.data();
        auto left = static_cast<size_t>(piece.size());
        while (written && left > 0) {
            const ssize_t count = ::write(fd, data, left);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            written = count > 0;
            error = count < 0 ? errno : error;
            data += std::max<ssize_t>(count, 0);  // NOLINT: walking a buffer
            left -= static_cast<size_t>(std::max<ssize_t>(count, 0));
        }
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(name.constData());  // ours, and only part of the text
        throw SealmillError(
            QStringLiteral("Stream write error"),
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

Publication publishNoReplace(const QString& from, const QString& to) {
    const QByteArray source = encodeLocal(from);
    const QByteArray target = encodeLocal(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return Publication::Published;
    }
    if (errno == EEXIST) {
        return Publication::NameTaken;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return Publication::Failed;
    }
    // A file system without the flag: a hard link never replaces either.
    if (::link(source.constData(), target.constData()) != 0) {
        return errno == EEXIST ? Publication::NameTaken : Publication::Failed;
    }
    ::unlink(source.constData());
    return Publication::Published;
}

void removeFile(const QString& path) {
    if (!path.isEmpty()) {
        ::unlink(encodeLocal(path).constData());
    }
}

#else

bool isNameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

qint64 plainFileSize(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink() ? info.size() : -1;
}

void writeNewFile(const QString& path, const QList<QByteArrayView>& pieces, NewFileAccess access) {
    QFile file(path);
    const bool opened =
        access == NewFileAccess::OwnerOnly
            ? file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            : file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
    if (!opened) {
        throw cannotCreate(path);
    }
    const bool written = std::all_of(pieces.cbegin(), pieces.cend(), [&file](QByteArrayView piece) {
        return file.write(piece.data(), piece.size()) == piece.size();
    });
    if (!written || !file.flush()) {
        file.remove();
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

// MoveFileEx without MOVEFILE_REPLACE_EXISTING, as QFile::rename does it.
Publication publishNoReplace(const QString& from, const QString& to) {
    if (QFile::rename(from, to)) {
        return Publication::Published;
    }
    return isNameTaken(to) ? Publication::NameTaken : Publication::Failed;
}

void removeFile(const QString& path) {
    if (!path.isEmpty()) {
        QFile::remove(path);
    }
}

#endif

}  // namespace sealmill
