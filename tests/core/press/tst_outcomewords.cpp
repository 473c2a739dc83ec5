// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// How each way a run ends reads in the window and on sealmill-press's
// standard error, word for word, with sealmill-press's exit status.
#include "core/press/outcomewords.h"

#include <QtTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(sealmill::PressResult)
Q_DECLARE_METATYPE(sealmill::OutcomeWords::Box)

namespace {

const QString kIdle = u"Choose your settings and press the button..."_s;

}  // namespace

class TestOutcomeWords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each row: the outcome and the signal and --quiet of sealmill-press;
    // then the box, the status line, whether the window closes, and what
    // sealmill-press prints and exits with. The signer is /usr/bin/pgpgpg,
    // the range 30 numbers.
    void words_data() {
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("details");
        QTest::addColumn<qint64>("pressed");
        QTest::addColumn<bool>("cancelRequested");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("quiet");
        QTest::addColumn<OutcomeWords::Box>("box");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("boxDetails");
        QTest::addColumn<QString>("statusLine");
        QTest::addColumn<bool>("closesWindow");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("exitStatus");
        using Box = OutcomeWords::Box;
        const QString done = u"The Sealmill has run!"_s;
        const QString exists =
            u"out/Sealmilled-file-3.txt already exists!\rOverwrite not supported"_s;
        const QString lineTooLong =
            u"Line 2 of the copy for number 100 is 19993 bytes long: a clear signature carries "
            "lines of at most 19992 bytes whole. Nothing was pressed."_s;
        const QString signerFailed = u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s;
        const QString leftover = u"Another press run is using this folder."_s;

        QTest::newRow("pressed") << PressResult::Succeeded << QString() << QString() << qint64{30}
                                 << false << 0 << false << Box::Information << done << QString()
                                 << kIdle << true << QString() << u"The Sealmill has run!\n"_s << 0;
        QTest::newRow("pressed, with a note")
            << PressResult::Succeeded << QString() << u"Not atomic."_s << qint64{30} << false << 0
            << false << Box::Information << done << u"Not atomic."_s << kIdle << true << QString()
            << u"The Sealmill has run!\nNot atomic.\n"_s << 0;
        QTest::newRow("pressed, quiet")
            << PressResult::Succeeded << QString() << u"Not atomic."_s << qint64{30} << false << 0
            << true << Box::Information << done << u"Not atomic."_s << kIdle << true << QString()
            << QString() << 0;
        QTest::newRow("refused, after a first cancel")
            << PressResult::Refused << lineTooLong << QString() << qint64{0} << true << 2 << false
            << Box::Error << lineTooLong << QString() << kIdle << false << lineTooLong << QString()
            << 3;
        QTest::newRow("refused: no signer program")
            << PressResult::Refused << QString() << QString() << qint64{0} << false << 0 << false
            << Box::None << QString() << QString()
            << u"Nothing pressed: no signer program at /usr/bin/pgpgpg. Choose one with "
               "Browse..., or sign inside Sealmill."_s
            << false << u"no signer program at /usr/bin/pgpgpg (give --signer, or set PGPPATH)"_s
            << QString() << 3;
        QTest::newRow("output exists")
            << PressResult::OutputExists << exists << QString() << qint64{2} << false << 0 << false
            << Box::Error << exists << QString() << kIdle << false << exists << QString() << 4;
        QTest::newRow("output exists, after a first cancel")
            << PressResult::OutputExists << exists << QString() << qint64{2} << true << 2 << false
            << Box::Error << exists << QString() << kIdle << true << exists << QString() << 4;
        QTest::newRow("signer failed")
            << PressResult::SignerFailed << signerFailed << u"gpg: no such key"_s << qint64{1}
            << false << 0 << false << Box::Error << signerFailed << u"gpg: no such key"_s << kIdle
            << false << signerFailed << QString() << 5;
        QTest::newRow("file failed: a full stop added")
            << PressResult::FileFailed << u"Cannot create file out/SealmillTemplate.tmp"_s
            << leftover << qint64{0} << false << 0 << false << Box::Failure
            << u"Cannot create file out/SealmillTemplate.tmp."_s << leftover << kIdle << false
            << u"Cannot create file out/SealmillTemplate.tmp."_s << QString() << 6;
        QTest::newRow("cancelled by SIGINT")
            << PressResult::Cancelled << QString() << QString() << qint64{2} << true << 2 << false
            << Box::None << QString() << QString() << u"Run cancelled: 2 numbers were pressed."_s
            << true << QString() << u"Cancelled: 2 of 30 numbers pressed.\n"_s << 130;
        QTest::newRow("cancelled, no signal: as by SIGINT")
            << PressResult::Cancelled << QString() << QString() << qint64{2} << true << 0 << true
            << Box::None << QString() << QString() << u"Run cancelled: 2 numbers were pressed."_s
            << true << QString() << u"Cancelled: 2 of 30 numbers pressed.\n"_s << 130;
        QTest::newRow("stopped by SIGTERM")
            << PressResult::Stopped << QString() << QString() << qint64{0} << true << 15 << false
            << Box::None << QString() << QString() << u"Run stopped: 0 numbers were pressed."_s
            << false << QString() << u"Cancelled: 0 of 30 numbers pressed.\n"_s << 143;
        QTest::newRow("stopped by SIGHUP after one number")
            << PressResult::Stopped << QString() << QString() << qint64{1} << true << 1 << false
            << Box::None << QString() << QString() << u"Run stopped: 1 number was pressed."_s
            << false << QString() << u"Cancelled: 1 of 30 numbers pressed.\n"_s << 129;
        QTest::newRow("range lost")
            << PressResult::RangeLost << QString() << QString() << qint64{2} << false << 0 << false
            << Box::None << QString() << QString() << kIdle << false << QString() << QString() << 2;
    }
    void words() {
        QFETCH(PressResult, result);
        QFETCH(QString, message);
        QFETCH(QString, details);
        QFETCH(qint64, pressed);
        QFETCH(bool, cancelRequested);
        QFETCH(int, signal);
        QFETCH(bool, quiet);
        const OutcomeWords words =
            describeOutcome({result, message, details, pressed, cancelRequested},
                            {u"/usr/bin/pgpgpg"_s, 30, signal, quiet});
        QTEST(words.box, "box");
        QTEST(words.boxText, "boxText");
        QTEST(words.details, "boxDetails");
        QTEST(words.statusLine, "statusLine");
        QTEST(words.closesWindow, "closesWindow");
        QTEST(words.error, "error");
        QTEST(words.report, "report");
        QTEST(words.exitStatus, "exitStatus");
    }
};

QTEST_GUILESS_MAIN(TestOutcomeWords)
#include "tst_outcomewords.moc"
