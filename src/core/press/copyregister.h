// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace sealmill {

// One published copy as the register of issued copies records it.
struct RegisterEntry {
    qint64 number = 0;
    QString file;         // its output name, within the output folder
    QByteArray sha256;    // of the published file, lower-case hex
    QString fingerprint;  // of the key that signed it
    QString timeUtc;      // when it was recorded, ISO 8601 with a Z
};

// The register's first line.
inline constexpr QLatin1StringView kRegisterHeader{"number,file,sha256,fingerprint,time_utc"};

// The entry as one CSV record (RFC 4180), CR LF at its end.
[[nodiscard]] QByteArray registerRecord(const RegisterEntry& entry);

// What a register holds: its entries by number, and the lines (1 for the
// first) that are no entry, or name a number a second time.
struct RegisterReading {
    QHash<qint64, RegisterEntry> entries;
    QList<qsizetype> brokenLines;
};

// Reads the register at `path`; an absent one is empty. Throws SealmillError
// when it cannot be read.
[[nodiscard]] RegisterReading readRegister(const QString& path);

// A register opened to append to: created with its header, else appended to
// and never rewritten. Every record() is on disk when it returns.
class CopyRegister {
public:
    // Throws SealmillError when the file cannot be opened or created.
    explicit CopyRegister(const QString& path);
    ~CopyRegister();
    Q_DISABLE_COPY_MOVE(CopyRegister)

    // Throws SealmillError when the entries cannot be written or flushed.
    void record(const QList<RegisterEntry>& entries);

private:
    QString path_;
    int fd_ = -1;
};

}  // namespace sealmill
