// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The memory figures the About box shows.
#include "core/platform/kilobytes.h"
#include "core/platform/systemmemory.h"

#include <QTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

class TestSystemMemory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void memoryFigures() {
        QCOMPARE(kilobytesText(16777215ULL), u"16,383 KB"_s);        // truncated
        QCOMPARE(kilobytesText(~0ULL), u"18014398509481,983 KB"_s);  // one comma only
        QCOMPARE(kilobytesText(999ULL * 1024ULL + 1023ULL), u"999 KB"_s);
        QCOMPARE(kilobytesText(1000ULL * 1024ULL), u"1,000 KB"_s);
        // Old kernels have no MemAvailable, and MemFree is not the same thing.
        const auto percent = [](const char* meminfo) {
            return availablePercentFromMeminfo(meminfo).value_or(-1);
        };
        QCOMPARE(percent("MemTotal: 16000000 kB\nMemFree: 1 kB\nMemAvailable: 12000000 kB\n"), 75);
        QCOMPARE(percent("MemAvailable: 0 kB\nMemTotal: 8 kB"), 0);
        QCOMPARE(percent("MemTotal: 8 kB\nMemFree: 4 kB\n"), -1);
        QCOMPARE(percent("MemTotal: 0 kB\nMemAvailable: 0 kB\n"), -1);
        QCOMPARE(percent("MemTotal: 4 kB\nMemAvailable: 8 kB\n"), -1);
    }
};

QTEST_GUILESS_MAIN(TestSystemMemory)
#include "tst_systemmemory.moc"
