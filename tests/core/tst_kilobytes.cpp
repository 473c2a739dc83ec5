#include "kilobytes.h"
#include "systemmemory.h"

#include <QTest>

using sealmill::kilobytesText;

class TestKilobytes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void composition_data() {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<QString>("text");
        constexpr quint64 kGiB = 1024ULL * 1024ULL * 1024ULL;
        QTest::newRow("16 MiB") << 16777216ULL << "16,384 KB";
        QTest::newRow("truncated, not rounded") << 16777215ULL << "16,383 KB";
        QTest::newRow("seven digits, one comma") << kGiB << "1048,576 KB";
        QTest::newRow("past 31 bits") << 2 * kGiB << "2097,152 KB";
        QTest::newRow("largest count") << ~0ULL << "18014398509481,983 KB";
        QTest::newRow("exactly 1,000 KB") << 1000ULL * 1024ULL << "1,000 KB";
        QTest::newRow("999 KB: no comma") << 999ULL * 1024ULL + 1023ULL << "999 KB";
        QTest::newRow("nothing") << 0ULL << "0 KB";
    }
    void composition() {
        QFETCH(quint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(kilobytesText(bytes), text);
    }

    void meminfoPercent_data() {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<int>("percent");  // -1: not available
        QTest::newRow("typical") << QByteArray(
                                        "MemTotal:       16000000 kB\n"
                                        "MemFree:         1000000 kB\n"
                                        "MemAvailable:   12000000 kB\n"
                                        "Buffers:          200000 kB\n")
                                 << 75;
        QTest::newRow("no final line break")
            << QByteArray("MemAvailable: 0 kB\nMemTotal: 8 kB") << 0;
        // Old kernels have no MemAvailable; MemFree is not the same thing.
        QTest::newRow("no MemAvailable") << QByteArray("MemTotal: 8 kB\nMemFree: 4 kB\n") << -1;
        QTest::newRow("zero total") << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << -1;
        QTest::newRow("more free than total")
            << QByteArray("MemTotal: 4 kB\nMemAvailable: 8 kB\n") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void meminfoPercent() {
        QFETCH(QByteArray, meminfo);
        QFETCH(int, percent);
        QCOMPARE(sealmill::availablePercentFromMeminfo(meminfo).value_or(-1), percent);
    }

    // The real machine: a plausible figure, never a wrapped one.
    void thisMachine() {
#if defined(Q_OS_LINUX) || defined(Q_OS_WIN)
        QVERIFY(sealmill::totalPhysicalMemory() >= 16ULL * 1024ULL * 1024ULL);
        const auto percent = sealmill::freeResourcesPercent();
        QVERIFY(percent.has_value());
        QVERIFY(*percent >= 0 && *percent <= 100);
#else
        QSKIP("no memory figures on this platform");
#endif
    }
};

QTEST_GUILESS_MAIN(TestKilobytes)
#include "tst_kilobytes.moc"
