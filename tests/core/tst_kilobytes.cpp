#include "kilobytes.h"
#include "systemmemory.h"

#include <QTest>

class TestKilobytes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts() {
        QCOMPARE(sealmill::kilobytesText(16777215ULL), u"16,383 KB"_qs);   // truncated
        QCOMPARE(sealmill::kilobytesText(1ULL << 30), u"1048,576 KB"_qs);  // one comma only
        QCOMPARE(sealmill::kilobytesText(~0ULL), u"18014398509481,983 KB"_qs);
        QCOMPARE(sealmill::kilobytesText(999ULL * 1024ULL + 1023ULL), u"999 KB"_qs);
        QCOMPARE(sealmill::kilobytesText(1000ULL * 1024ULL), u"1,000 KB"_qs);
        // Old kernels have no MemAvailable, and MemFree is not the same thing.
        const auto percent = [](const char* meminfo) {
            return sealmill::availablePercentFromMeminfo(meminfo).value_or(-1);
        };
        QCOMPARE(percent("MemTotal: 16000000 kB\nMemFree: 1 kB\nMemAvailable: 12000000 kB\n"), 75);
        QCOMPARE(percent("MemAvailable: 0 kB\nMemTotal: 8 kB"), 0);
        QCOMPARE(percent("MemTotal: 8 kB\nMemFree: 4 kB\n"), -1);
        QCOMPARE(percent("MemTotal: 0 kB\nMemAvailable: 0 kB\n"), -1);
        QCOMPARE(percent("MemTotal: 4 kB\nMemAvailable: 8 kB\n"), -1);
    }
};

QTEST_GUILESS_MAIN(TestKilobytes)
#include "tst_kilobytes.moc"
