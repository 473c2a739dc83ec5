// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pressregister.h"

#include "core/platform/systemencoding.h"
#include "core/press/outputpath.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/clearverifier.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>

PressRegister::PressRegister(const QString& path, const QString& outputDir, const QString& pattern)
    : register_(path), outputDir_(outputDir), pattern_(pattern) {
}

std::optional<QString> PressRegister::refusal(const QString& path, qint64 first, qint64 last) {
    const sealmill::RegisterReading reading = sealmill::readRegister(path);
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
    const int dir =
        ::open(sealmill::encodeLocal(outputDir_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = dir >= 0 && ::fsync(dir) == 0;
    if (dir >= 0) {
        ::close(dir);
    }
    if (!flushed) {
        throw sealmill::SealmillError(
            QStringLiteral("Cannot flush the output folder %1 for the register").arg(outputDir_));
    }
    QList<sealmill::RegisterEntry> entries;
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const qint64 serial : serials) {
        const QString path = sealmill::outputFilePath(outputDir_, pattern_, serial);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw sealmill::SealmillError(QStringLiteral("Cannot read %1 for the register: %2")
                                              .arg(path, file.errorString()));
        }
        const QByteArray bytes = file.readAll();
        entries << sealmill::RegisterEntry{
            serial, path.sliced(outputDir_.size()),
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
            sealmill::signerFingerprint(bytes), now};
    }
    register_.record(entries);
}
