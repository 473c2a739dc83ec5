#include "progress.h"

#include <QTest>
#include <limits>

using namespace sealmill;

class TestProgress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void extendedPrecisionIsAvailable() {
#if defined(__x86_64__) || defined(__i386__)
        QCOMPARE(std::numeric_limits<long double>::digits, 64);
#else
        QSKIP("the figures below assume the x87 extended type");
#endif
    }

    void position_data() {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("expected");
        const QList<qint64> ofEight{12, 25, 38, 50, 62, 75, 88, 100};
        for (qint64 done = 1; done <= 8; ++done) {
            QTest::addRow("%lld of 8", done) << done << qint64{8} << ofEight.at(done - 1);
        }
        for (qint64 done = 1; done <= 5; ++done) {
            QTest::addRow("%lld of 5", done) << done << qint64{5} << done * 20;
        }
        // Near the half: the extended product decides, not the decimal fraction.
        QTest::newRow("23 of 40") << qint64{23} << qint64{40} << qint64{58};
        QTest::newRow("59 of 200") << qint64{59} << qint64{200} << qint64{29};
        QTest::newRow("1 of 200, exact half rounds to even")
            << qint64{1} << qint64{200} << qint64{0};
        QTest::newRow("3 of 200, exact half rounds to even")
            << qint64{3} << qint64{200} << qint64{2};
        QTest::newRow("whole 32-bit range")
            << qint64{4294967296} << qint64{4294967296} << qint64{100};
        QTest::newRow("more done than total") << qint64{3} << qint64{2} << qint64{150};
    }

    void position() {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(qint64, expected);
        QCOMPARE(progressPosition(done, total), expected);
    }

    void status() {
        QCOMPARE(progressStatus(3, 5), u"3 of 5 processed"_qs);
        QCOMPARE(progressStatus(4294967296, 4294967296), u"4294967296 of 4294967296 processed"_qs);
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "tst_progress.moc"
