// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/copyregister.h"

#include "core/platform/systemencoding.h"
#include "core/sealmillerror.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>

namespace sealmill {

namespace {

constexpr int kFields = 5;

QByteArray csvField(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') ||
        bytes.contains('\n')) {
        bytes.replace('"', "\"\"");
        return '"' + bytes + '"';
    }
    return bytes;
}

// The records of RFC 4180 text, each with the line it starts on.
QList<std::pair<qsizetype, QStringList>> csvRecords(const QByteArray& text) {
    QList<std::pair<qsizetype, QStringList>> records;
    QStringList fields;
    QByteArray field;
    bool quoted = false;
    qsizetype line = 1;
    qsizetype recordLine = 1;
    const auto endField = [&] {
        fields << QString::fromUtf8(field);
        field.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '\n') {
            ++line;
        }
        if (quoted) {
            if (c == '"' && text.mid(i + 1, 1) == "\"") {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.isEmpty()) {
            quoted = true;
        } else if (c == ',') {
            endField();
        } else if (c == '\n') {
            if (field.endsWith('\r')) {
                field.chop(1);
            }
            endField();
            records.append({recordLine, fields});
            fields.clear();
            recordLine = line;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !fields.isEmpty() || quoted) {
        endField();
        records.append({recordLine, quoted ? QStringList() : fields});
    }
    return records;
}

std::optional<RegisterEntry> entryOf(const QStringList& fields) {
    static const QRegularExpression hash(QStringLiteral("\\A[0-9a-f]{64}\\z"));
    static const QRegularExpression number(QStringLiteral("\\A[1-9][0-9]{0,17}\\z"));
    if (fields.size() != kFields || !number.match(fields.at(0)).hasMatch() ||
        fields.at(1).isEmpty() || !hash.match(fields.at(2)).hasMatch()) {
        return std::nullopt;
    }
    return RegisterEntry{fields.at(0).toLongLong(), fields.at(1), fields.at(2).toLatin1(),
                         fields.at(3), fields.at(4)};
}

SealmillError failure(const QString& what, const QString& path) {
    return SealmillError(
        QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno))));
}

void writeAll(int fd, const QByteArray& bytes, const QString& path) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            throw failure(QStringLiteral("Cannot write the register"), path);
        }
        done += wrote;
    }
}

}  // namespace

QByteArray registerRecord(const RegisterEntry& entry) {
    return QByteArray::number(entry.number) + ',' + csvField(entry.file) + ',' + entry.sha256 +
           ',' + csvField(entry.fingerprint) + ',' + csvField(entry.timeUtc) + "\r\n";
}

RegisterReading readRegister(const QString& path) {
    RegisterReading reading;
    QFile file(path);
    if (!file.exists()) {
        return reading;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw SealmillError(
            QStringLiteral("Cannot read the register %1: %2").arg(path, file.errorString()));
    }
    const QList<std::pair<qsizetype, QStringList>> records = csvRecords(file.readAll());
    for (const auto& [line, fields] : records) {
        if (line == 1 && fields.join(u',') == kRegisterHeader) {
            continue;
        }
        const std::optional<RegisterEntry> entry = entryOf(fields);
        if (!entry || reading.entries.contains(entry->number)) {
            reading.brokenLines << line;
        } else {
            reading.entries.insert(entry->number, *entry);
        }
    }
    return reading;
}

CopyRegister::CopyRegister(const QString& path) : path_(path) {
    fd_ = ::open(encodeLocal(path).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        throw failure(QStringLiteral("Cannot open the register"), path);
    }
    struct stat status {};
    char last = '\n';
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode) ||
        (status.st_size > 0 && ::pread(fd_, &last, 1, status.st_size - 1) != 1)) {
        ::close(fd_);
        throw failure(QStringLiteral("Cannot open the register"), path);
    }
    // A new register starts with its header; a last line left without its
    // break gets one, so that the next record starts a line of its own.
    if (status.st_size == 0) {
        writeAll(fd_, QByteArray(kRegisterHeader.data(), kRegisterHeader.size()) + "\r\n", path_);
    } else if (last != '\n') {
        writeAll(fd_, "\r\n", path_);
    }
}

CopyRegister::~CopyRegister() {
    ::close(fd_);
}

void CopyRegister::record(const QList<RegisterEntry>& entries) {
    QByteArray records;
    for (const RegisterEntry& entry : entries) {
        records += registerRecord(entry);
    }
    writeAll(fd_, records, path_);
    if (::fdatasync(fd_) != 0) {
        throw failure(QStringLiteral("Cannot flush the register"), path_);
    }
}

}  // namespace sealmill
