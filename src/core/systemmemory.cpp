// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "systemmemory.h"

#include <QFile>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <sys/sysinfo.h>
#endif

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

#if defined(Q_OS_WIN)

quint64 totalPhysicalMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) != 0 ? status.ullTotalPhys : 0;
}

std::optional<int> freeResourcesPercent() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status) == 0 || status.dwMemoryLoad > 100) {
        return std::nullopt;
    }
    return 100 - static_cast<int>(status.dwMemoryLoad);
}

#elif defined(Q_OS_LINUX)

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

#else

quint64 totalPhysicalMemory() {
    return 0;
}

std::optional<int> freeResourcesPercent() {
    return std::nullopt;
}

#endif

}  // namespace sealmill
