#include "consolesink.h"
#include "progressmeter.h"

#include <QTest>

class TestProgressMeter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barShowsCountRateAndTimeLeft() {
        // 10 of 40 done in 5 s: 2 per second, 30 left → 15 s.
        const QString line =
            ProgressMeter::barLine(25, QStringLiteral("10 of 40 processed"), 10, 40, 5000, 80);
        QVERIFY2(line.startsWith(u'['), qPrintable(line));
        QVERIFY2(line.contains(QStringLiteral("25%  10 of 40 processed  2.0/s  0:15 left")),
                 qPrintable(line));
        QVERIFY(line.size() <= 80);
        const qsizetype filled = line.count(u'#');
        const qsizetype width = line.indexOf(u']') - 1;
        QCOMPARE(filled, width / 4);
    }

    void barStaysSaneAtTheEdges() {
        const QString first =
            ProgressMeter::barLine(0, QStringLiteral("0 of 9 processed"), 0, 9, 0, 20);
        QVERIFY(!first.contains(u'#'));
        QVERIFY(!first.contains(QStringLiteral("left")));  // no rate before the first number
        const QString slow = ProgressMeter::barLine(1, QStringLiteral("1 of 100 processed"), 1, 100,
                                                    3600 * 1000, 120);
        QVERIFY2(slow.contains(QStringLiteral("99:00:00 left")), qPrintable(slow));
    }

    void errorTextTurnsBoxBreaksIntoLines() {
        const QString text =
            ConsoleSink::errorText(QStringLiteral("Error 11 occured:\rNONEXIST_KEY_ERROR"),
                                   QStringLiteral("gpg: skipped \"x\": No secret key\r\n\n"));
        QVERIFY(
            text.endsWith(QStringLiteral(": Error 11 occured:\nNONEXIST_KEY_ERROR\n"
                                         "The signer said:\n  gpg: skipped \"x\": No secret "
                                         "key\n")));
    }
};

QTEST_GUILESS_MAIN(TestProgressMeter)
#include "tst_progressmeter.moc"
