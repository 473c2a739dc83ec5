#include "presscommand.h"
#include "progressmeter.h"

#include <QTest>

class TestProgressMeter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void barAndErrorText() {
        // 10 of 40 in 5 s: 2 a second, 30 left, 15 s; a quarter of the bar filled.
        const QString bar = ProgressMeter::barLine(25, u"10 of 40 processed"_qs, 10, 40, 5000, 80);
        QVERIFY2(bar.endsWith(u"25%  10 of 40 processed  2.0/s  0:15 left"_qs), qPrintable(bar));
        QCOMPARE(bar.count(u'#'), (bar.indexOf(u']') - 1) / 4);
        QVERIFY(
            !ProgressMeter::barLine(0, u"0 of 9 processed"_qs, 0, 9, 0, 20).contains(u"left"_qs));

        // A signer's escape sequences are shown, not obeyed.
        const QString error = errorText(u"Error 11 occured:\rNONEXIST_KEY_ERROR"_qs,
                                        u"gpg: no key\x1b[2J\r\nnext\tline\r\n"_qs);
        QVERIFY2(error.endsWith(u"Error 11 occured:\nNONEXIST_KEY_ERROR\n  gpg: no key\\x1b[2J\n"
                                u"  next\tline\n"_qs),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestProgressMeter)
#include "tst_progressmeter.moc"
