// The press loop over in-process signers: which numbers, where the files go,
// what the signer is given, what the user sees, and how runs end early. Every
// early end must leave the template in the document, no temporary file
// behind and the sink idle.
#include "pressfakes.h"
#include "pressloop.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QString kTemplate = u"Serial @SERIAL@\nfixed\n"_s;

void touch(const QString& path) {
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
}

void setRange(PressRig& rig, const QString& from, const QString& to) {
    rig.settings.serialFrom = from;
    rig.settings.serialTo = to;
}

// The run ended cleanly: idle, flag cleared, template back, only outputs left.
void verifyCleanEnd(const PressRig& rig, const QStringList& outputs) {
    QVERIFY(rig.sink.log.contains(u"idle"_s));
    QCOMPARE(rig.sink.tag, 0);
    QCOMPARE(rig.doc.text(), kTemplate);
    QCOMPARE(filesIn(rig.outDir), outputs);
    QVERIFY(!rig.loop.isRunning());
}

}  // namespace

class TestPressLoop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Work files are private even in a directory others can read.
    void pressesEveryNumberWithProgress() {
        PressRig rig;
        setRange(rig, u"5"_s, u"9"_s);
        QVERIFY(QFile::setPermissions(
            rig.outDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                            QFileDevice::ReadOther | QFileDevice::ExeOther));

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(filesIn(rig.outDir), QStringList({u"out5.asc"_s, u"out6.asc"_s, u"out7.asc"_s,
                                                   u"out8.asc"_s, u"out9.asc"_s}));
        QCOMPARE(rig.sink.positions, QList<int>({20, 40, 60, 80, 100}));
        QCOMPARE(rig.sink.statuses.first(), u"1 of 5 processed"_s);
        QCOMPARE(rig.sink.statuses.last(), u"5 of 5 processed"_s);
        QCOMPARE(rig.signer.workTexts.at(2), QByteArray("Serial 7\r\nfixed\r\n"));
        QCOMPARE(rig.signer.workPermissions, QStringList(5, u"rw-------"_s));
        QCOMPARE(rig.signer.snapshotPermissions.first(), u"rw-------"_s);
        QCOMPARE(rig.sink.log.first(), u"started"_s);
        QCOMPARE(rig.sink.log.mid(rig.sink.log.size() - 2),
                 QStringList({u"idle"_s, u"succeeded"_s}));
        QCOMPARE(rig.sink.count(u"events"_s), 5);
        QCOMPARE(rig.sink.tag, 0);
        QCOMPARE(rig.doc.text(), kTemplate);
    }

    void substitution_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QByteArray>("signedText");
        QTest::newRow("first occurrence per line only")
            << u"@SERIAL@ and @SERIAL@\nno mark\nend @SERIAL@"_s
            << QByteArray("3 and @SERIAL@\r\nno mark\r\nend 3");
        QTest::newRow("case matters") << u"@serial@ @SERIAL@\n"_s << QByteArray("@serial@ 3\r\n");
        const QString longHead(5000, u'x');
        QTest::newRow("long line kept whole")
            << longHead + u"@SERIAL@"_s + longHead << (longHead + u'3' + longHead).toLatin1();
    }
    void substitution() {
        QFETCH(QString, lines);
        QFETCH(QByteArray, signedText);
        PressRig rig(lines);
        setRange(rig, u"3"_s, u"3"_s);
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(rig.signer.workTexts, QList<QByteArray>{signedText});
        QCOMPARE(rig.doc.text(), lines);
    }

    void outputNames_data() {
        QTest::addColumn<QString>("subdir");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("no placeholder: number in front")
            << QString() << u"out.txt"_s << u"7out.txt"_s;
        QTest::newRow("only the first placeholder")
            << QString() << u"a@SERIAL@b@SERIAL@"_s << u"a7b@SERIAL@"_s;
        QTest::newRow("spaces in the name")
            << QString() << u"my file @SERIAL@.asc"_s << u"my_file_7.asc"_s;
        QTest::newRow("space in the directory") << u"a b"_s << u"x @SERIAL@"_s << u"x_7"_s;
    }
    void outputNames() {
        QFETCH(QString, subdir);
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        PressRig rig;
        const QString dir = subdir.isEmpty() ? rig.outDir : rig.out(subdir);
        QVERIFY(QDir().mkpath(dir));
        rig.settings.runDir = dir + u'/';  // a final separator is not doubled
        rig.settings.runName = pattern;
        setRange(rig, u"7"_s, u"7"_s);

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.loop.outputDir(), dir + u'/');
        QCOMPARE(rig.signer.requests.first().workFile, dir + u"/Sealmill7.tmp"_s);
        QCOMPARE(filesIn(dir), QStringList{name});
    }

    void outputDirectoryLimit() {
        PressRig rig;
        const QString base = rig.temp.path() + u'/';
        const QString dir34 = base + QString(34 - base.size(), u'd');
        const QString dir35 = dir34 + u'e';
        QVERIFY(QDir().mkpath(dir34) && QDir().mkpath(dir35));

        rig.settings.runDir = dir35;
        QCOMPARE(rig.loop.run(), PressResult::Refused);
        QCOMPARE(rig.sink.log, QStringList{u"error Output path too long! Sorry..."_s});
        QVERIFY(rig.loop.outputDir().isEmpty());
        QVERIFY(rig.signer.requests.isEmpty());
        QVERIFY(filesIn(dir35).isEmpty());

        rig.settings.runDir = dir34;
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(filesIn(dir34), QStringList{u"out1.asc"_s});
    }

    void refusedSilently_data() {
        QTest::addColumn<QString>("signer");
        QTest::addColumn<QString>("runDir");
        QTest::newRow("signer missing") << u"missing"_s << u"out"_s;
        QTest::newRow("signer is a directory") << u"out"_s << u"out"_s;
        QTest::newRow("no output directory") << u"signer"_s << QString();
    }
    void refusedSilently() {
        QFETCH(QString, signer);
        QFETCH(QString, runDir);
        PressRig rig;
        rig.settings.pgpDir = rig.temp.filePath(signer);
        rig.settings.runDir = runDir.isEmpty() ? QString() : rig.temp.filePath(runDir);
        rig.sink.tag = -1;

        QCOMPARE(rig.loop.run(), PressResult::Refused);

        QVERIFY(rig.sink.log.isEmpty());
        QCOMPARE(rig.sink.tag, -1);  // nothing changes, the cancel flag included
        QVERIFY(filesIn(rig.outDir).isEmpty());
        QVERIFY(!QFile::exists(u"/SealmillTemplate.tmp"_s));
    }

    void emptyRangeStillSucceeds() {
        PressRig rig;
        setRange(rig, u"9"_s, u"5"_s);
        rig.sink.tag = -1;  // a Close before the run leaves no cancel pending

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QVERIFY(rig.signer.requests.isEmpty());
        QCOMPARE(rig.sink.log, QStringList({u"started"_s, u"idle"_s, u"succeeded"_s}));
        QCOMPARE(rig.sink.tag, 0);
        QVERIFY(filesIn(rig.outDir).isEmpty());
    }

    void fieldsEditedDuringRunChangeOnlyProgress() {
        PressRig rig;
        setRange(rig, u"1"_s, u"4"_s);
        rig.sink.onPendingEvents = [&rig] { setRange(rig, u"0"_s, u"$9"_s); };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.signer.requests.size(), 4);
        QCOMPARE(rig.sink.positions, QList<int>({25, 30, 40, 50}));
        QCOMPARE(rig.sink.statuses.at(1), u"3 of 10 processed"_s);
    }

    void valuesReadAfreshForEachNumber() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        rig.settings.pgpId = u"Key \"with\" quotes"_s;
        rig.settings.pass = u"pass phrase"_s;
        const QString firstSigner = rig.settings.pgpDir;
        const QString otherSigner = rig.temp.filePath(u"other signer"_s);
        touch(otherSigner);
        rig.sink.onPendingEvents = [&rig, otherSigner] {
            rig.settings.pgpDir = otherSigner;
            rig.settings.pgpId = u"key2"_s;
            rig.settings.pass = u"pass2"_s;
            rig.settings.runName = u"new@SERIAL@"_s;
            rig.settings.runDir = u"/elsewhere"_s;  // read once, at the start
        };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        const SignerRequest& first = rig.signer.requests.at(0);
        QCOMPARE(first.program, firstSigner);
        QCOMPARE(first.workFile, rig.out(u"Sealmill1.tmp"_s));
        QCOMPARE(first.outputFile, rig.out(u"out1.asc"_s));
        QCOMPARE(first.keyId, u"Key \"with\" quotes"_s);
        QCOMPARE(first.passPhrase, u"pass phrase"_s);
        QVERIFY(rig.sink.signerWaits > 0);
        const SignerRequest& second = rig.signer.requests.at(1);
        QCOMPARE(second.program, otherSigner);
        QCOMPARE(second.keyId, u"key2"_s);
        QCOMPARE(second.passPhrase, u"pass2"_s);
        QCOMPARE(second.outputFile, rig.out(u"new2"_s));
    }

    void runsDoNotNest() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        QList<PressResult> nested;
        rig.sink.onPendingEvents = [&rig, &nested] { nested << rig.loop.run(); };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(nested, QList<PressResult>(2, PressResult::AlreadyRunning));
        QCOMPARE(rig.signer.requests.size(), 2);
        QCOMPARE(rig.sink.count(u"started"_s), 1);
        QVERIFY(!rig.loop.isRunning());
    }

    // An existing output stops the run before its number, even when a cancel
    // came in while the signer of the number before it ran.
    void existingOutputAndCancel_data() {
        QTest::addColumn<bool>("nextExists");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<PressResult>("result");
        QTest::newRow("next output exists") << true << false << PressResult::OutputExists;
        QTest::newRow("cancel") << false << true << PressResult::Cancelled;
        QTest::newRow("cancel, next output exists") << true << true << PressResult::OutputExists;
    }
    void existingOutputAndCancel() {
        QFETCH(bool, nextExists);
        QFETCH(bool, cancel);
        QFETCH(PressResult, result);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        if (nextExists) {
            touch(rig.out(u"out2.asc"_s));
        }
        if (cancel) {  // the click waits for the signer and lands at the next event round
            rig.sink.onPendingEvents = [&rig] { rig.sink.tag = -1; };
        }

        QCOMPARE(rig.loop.run(), result);

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.positions, QList<int>{33});
        const QString exists =
            rig.out(u"out2.asc"_s) + u" already exists!\rOverwrite not supported"_s;
        QCOMPARE(rig.sink.errors, nextExists ? QStringList{exists} : QStringList());
        QCOMPARE(rig.sink.count(u"succeeded"_s), 0);
        verifyCleanEnd(rig, nextExists ? QStringList{u"out1.asc"_s, u"out2.asc"_s}
                                       : QStringList{u"out1.asc"_s});
    }

    void cancelAfterLastNumberSuppressesSuccess() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        int rounds = 0;
        rig.sink.onPendingEvents = [&rig, &rounds] {
            if (++rounds == 2) {
                rig.sink.tag = -1;
            }
        };

        QCOMPARE(rig.loop.run(), PressResult::Cancelled);

        QCOMPARE(rig.signer.requests.size(), 2);
        QCOMPARE(rig.sink.count(u"succeeded"_s), 0);
        verifyCleanEnd(rig, {u"out1.asc"_s, u"out2.asc"_s});
    }

    // The texts themselves are the signer's; here: what each ending does to the run.
    void signerEndings_data() {
        QTest::addColumn<SignerOutcome::Ending>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<QString>("error");  // empty: the run succeeds
        using E = SignerOutcome::Ending;
        QTest::newRow("127 counts as success") << E::Exited << 127 << true << QString();
        QTest::newRow("named code")
            << E::Exited << 11 << true << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s;
        QTest::newRow("not started") << E::NotStarted << -1 << false << u"Error -1 occured:"_s;
        QTest::newRow("killed by a signal") << E::Signalled << 9 << false << u"Error 9 occured:"_s;
        QTest::newRow("0 without output") << E::Exited << 0 << false << u"was not written!"_s;
        QTest::newRow("127 without output") << E::Exited << 127 << false << u"code 127"_s;
    }
    void signerEndings() {
        QFETCH(SignerOutcome::Ending, ending);
        QFETCH(int, code);
        QFETCH(bool, writes);
        QFETCH(QString, error);
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        rig.signer.writeOutput = writes;
        rig.signer.act = [&](const SignerRequest&, SignerOutcome& outcome) {
            outcome.ending = ending;
            outcome.exitCode = code;
        };

        QCOMPARE(rig.loop.run(),
                 error.isEmpty() ? PressResult::Succeeded : PressResult::SignerFailed);

        if (error.isEmpty()) {
            QVERIFY(rig.sink.errors.isEmpty());
            QCOMPARE(rig.sink.count(u"succeeded"_s), 1);
            verifyCleanEnd(rig, {u"out1.asc"_s, u"out2.asc"_s});
            return;
        }
        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.errors.size(), 1);
        QVERIFY2(rig.sink.errors.first().contains(error), qPrintable(rig.sink.errors.first()));
        QCOMPARE(rig.sink.errorDetails.first(), u"fake signer said"_s);
        QCOMPARE(rig.sink.count(u"progress"_s), 0);
        QCOMPARE(rig.sink.count(u"succeeded"_s), 0);
        verifyCleanEnd(rig, writes ? QStringList{u"out1.asc"_s} : QStringList{});
    }

    // The signer of number 1 removes the snapshot (reloading the template
    // fails) or blocks the work file of number 2 with a directory.
    void fileFailuresMidRun_data() {
        QTest::addColumn<bool>("removeSnapshot");
        QTest::addColumn<QString>("message");
        QTest::newRow("snapshot removed") << true << u"Cannot open file %1/SealmillTemplate.tmp"_s;
        QTest::newRow("work file blocked") << false << u"Cannot create file %1/Sealmill2.tmp"_s;
    }
    void fileFailuresMidRun() {
        QFETCH(bool, removeSnapshot);
        QFETCH(QString, message);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        const QString blocker = rig.out(u"Sealmill2.tmp"_s);
        rig.signer.act = [&](const SignerRequest& request, SignerOutcome&) {
            if (request.workFile.endsWith(u"Sealmill1.tmp")) {
                removeSnapshot ? (void)QFile::remove(rig.out(u"SealmillTemplate.tmp"_s))
                               : (void)QDir().mkpath(blocker);
            }
        };

        QCOMPARE(rig.loop.run(), PressResult::FileFailed);
        QDir(blocker).removeRecursively();

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.failures, QStringList{message.arg(rig.outDir)});
        QCOMPARE(rig.sink.log.last(), u"failure "_s + message.arg(rig.outDir));
        QCOMPARE(rig.sink.count(u"succeeded"_s), 0);
        verifyCleanEnd(rig, {u"out1.asc"_s});
    }

    void snapshotNotWritableEndsBeforeStart() {
        PressRig rig;
        QVERIFY(QDir().mkpath(rig.out(u"SealmillTemplate.tmp"_s)));
        rig.sink.tag = -1;

        QCOMPARE(rig.loop.run(), PressResult::FileFailed);

        QCOMPARE(rig.sink.log, QStringList{u"failure Cannot create file "_s +
                                           rig.out(u"SealmillTemplate.tmp"_s)});
        QCOMPARE(rig.sink.tag, 0);
        QVERIFY(rig.signer.requests.isEmpty());
        QCOMPARE(rig.doc.text(), kTemplate);
    }

    void rangeLostStopsFurtherSigners_data() {
        QTest::addColumn<QString>("to");
        QTest::newRow("total zero") << u"0"_s;
        QTest::newRow("total negative") << u"-5"_s;
        QTest::newRow("not a number") << u"x"_s;
    }
    void rangeLostStopsFurtherSigners() {
        QFETCH(QString, to);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        rig.signer.act = [&](const SignerRequest&, SignerOutcome&) { rig.settings.serialTo = to; };

        QCOMPARE(rig.loop.run(), PressResult::RangeLost);

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.count(u"progress"_s), 0);
        QCOMPARE(rig.sink.count(u"succeeded"_s), 0);
        verifyCleanEnd(rig, {u"out1.asc"_s});
    }
};

QTEST_GUILESS_MAIN(TestPressLoop)
#include "tst_pressloop.moc"
