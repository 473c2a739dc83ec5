// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Numbers as the user types them and reads them: serial fields, progress
// figures, memory sizes.
#include "kilobytes.h"
#include "progress.h"
#include "serialfield.h"
#include "systemmemory.h"

#include <QTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

class TestFigures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serialFields() {
        const QStringList texts{u"  12"_s,      u"+7"_s,         u"-3"_s,         u"$ff"_s,
                                u"$FFFFFFFF"_s, u"2147483647"_s, u"-2147483648"_s};
        const QList<qint32> numbers{12, 7, -3, 255, -1, 2147483647, -2147483647 - 1};  // $: 32 bits
        for (qsizetype i = 0; i < texts.size(); ++i) {
            QVERIFY2(readSerialField(texts.at(i)) == numbers.at(i), qPrintable(texts.at(i)));
        }
        for (const QString& bad : {u"2147483648"_s, u"-2147483649"_s, u"$100000000"_s, u"$"_s,
                                   u"-$1"_s, u"12 "_s, u""_s, u"-"_s, u"\t1"_s, u"\u0661"_s}) {
            QVERIFY2(!readSerialField(bad), qPrintable(bad));
        }
    }

    // Each step rounded to a 64-bit significand, then ties to even: 59 of
    // 200 is 29, where exact arithmetic gives 29.5 and 30.
    void progressPositions() {
        const struct {
            qint64 done, total, position;
        } rows[] = {{1, 8, 12}, {3, 8, 38}, {5, 8, 62}, {59, 200, 29}, {1LL << 32, 1LL << 32, 100}};
        for (const auto& row : rows) {
            QCOMPARE(progressPosition(row.done, row.total), row.position);
        }
    }

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

QTEST_GUILESS_MAIN(TestFigures)
#include "tst_figures.moc"
