#include "progress.h"

#include <QTest>

class TestProgress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void position_data() {
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("expected");
        const QList<qint64> ofEight{12, 25, 38, 50, 62, 75, 88, 100};
        for (qint64 done = 1; done <= 8; ++done)
            QTest::addRow("%lld of 8", done) << done << qint64{8} << ofEight.at(done - 1);
        QTest::newRow("3 of 40") << qint64{3} << qint64{40} << qint64{8};
        QTest::newRow("23 of 40") << qint64{23} << qint64{40} << qint64{58};
        QTest::newRow("59 of 200") << qint64{59} << qint64{200} << qint64{29};
        QTest::newRow("2^32 of 2^32") << qint64{4294967296} << qint64{4294967296} << qint64{100};
    }
    void position() {
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(qint64, expected);
        QCOMPARE(sealmill::progressPosition(done, total), expected);
    }
};

QTEST_GUILESS_MAIN(TestProgress)
#include "tst_progress.moc"
