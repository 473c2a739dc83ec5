// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/verify/pressregister.h"

#include "core/platform/systemencoding.h"
#include "core/press/outputpath.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/clearverifier.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

namespace sealmill {

PressRegister::PressRegister(const QString& path, const QString& outputDir, const QString& pattern)
    : register_(path), outputDir_(outputDir), pattern_(pattern) {
}

std::optional<QString> PressRegister::refusal(const QString& path, qint64 first, qint64 last) {
    const RegisterReading reading = readRegister(path);
    if (!reading.brokenLines.isEmpty()) {
        return QStringLiteral(
                   "Line %1 of the register %2 is not a record of an issued copy: "
                   "nothing was pressed")
            .arg(reading.brokenLines.first())
            .arg(path);
    }
    for (auto it = reading.entries.cbegin(); it != reading.entries.cend(); ++it) {
        if (it.key() >= first && it.key() <= last) {
            return QStringLiteral(
                       "Number %1 is already in the register %2 (%3, %4): nothing "
                       "was pressed")
                .arg(it.key())
                .arg(path, it->file, it->timeUtc);
        }
    }
    return std::nullopt;
}

void PressRegister::recordPublished(const QList<qint64>& serials) {
    // The register never names a copy whose name a crash could still take away.
    const int dir = ::open(encodeLocal(outputDir_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = dir >= 0 && ::fsync(dir) == 0;
    if (dir >= 0) {
        ::close(dir);
    }
    if (!flushed) {
        throw SealmillError(
            QStringLiteral("Cannot flush the output folder %1 for the register").arg(outputDir_));
    }
    QList<RegisterEntry> entries;
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const qint64 serial : serials) {
        const QString path = outputFilePath(outputDir_, pattern_, serial);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw SealmillError(QStringLiteral("Cannot read %1 for the register: %2")
                                    .arg(path, file.errorString()));
        }
        const QByteArray bytes = file.readAll();
        entries << RegisterEntry{
            serial, path.sliced(outputDir_.size()),
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
            signerFingerprint(bytes), now};
    }
    register_.record(entries);
}

}  // namespace sealmill
