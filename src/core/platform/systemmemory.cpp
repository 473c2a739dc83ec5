// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/systemmemory.h"

#include <QFile>

#include <sys/sysinfo.h>

namespace sealmill {

namespace {

// The value in kB of one "Name:   1234 kB" line, if present and sane.
std::optional<quint64> meminfoField(QByteArrayView meminfo, QByteArrayView name) {
    qsizetype from = 0;
    while (from < meminfo.size()) {
        qsizetype end = meminfo.indexOf('\n', from);
        if (end < 0) {
            end = meminfo.size();
        }
        const QByteArrayView line = meminfo.sliced(from, end - from);
        from = end + 1;
        const qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.first(colon) != name) {
            continue;
        }
        QByteArray value = line.sliced(colon + 1).trimmed().toByteArray();
        if (value.endsWith(" kB")) {
            value.chop(3);
        }
        bool ok = false;
        const quint64 kb = value.toULongLong(&ok);
        if (ok) {
            return kb;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> availablePercentFromMeminfo(QByteArrayView meminfo) {
    const auto total = meminfoField(meminfo, "MemTotal");
    const auto available = meminfoField(meminfo, "MemAvailable");
    if (!total || !available || *total == 0 || *available > *total) {
        return std::nullopt;
    }
    return static_cast<int>(*available * 100U / *total);
}

quint64 totalPhysicalMemory() {
    struct sysinfo info {};
    if (sysinfo(&info) != 0) {
        return 0;
    }
    return static_cast<quint64>(info.totalram) * info.mem_unit;
}

std::optional<int> freeResourcesPercent() {
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // /proc files report a size of 0, so read until the end.
    return availablePercentFromMeminfo(file.readAll());
}

}  // namespace sealmill
