// Runs that end before their range does: existing output, cancel, signer
// failures, file failures. Every one must leave the template in the document,
// no temporary file behind and the sink idle.
#include "pressfakes.h"
#include "pressloop.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace sealmill;

namespace {

const QString kTemplate = QStringLiteral("Serial @SERIAL@\nfixed\n");

void touch(const QString& path) {
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
}

// The run ended cleanly: idle, flag cleared, template back, only outputs left.
void verifyCleanEnd(const PressRig& rig, const QStringList& outputs) {
    QVERIFY(rig.sink.log.contains(QStringLiteral("idle")));
    QCOMPARE(rig.sink.tag, 0);
    QCOMPARE(rig.doc.text(), kTemplate);
    QCOMPARE(filesIn(rig.outDir), outputs);
    QVERIFY(!rig.loop.isRunning());
}

}  // namespace

class TestPressLoopStops : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void existingOutputStopsBeforeItsNumber() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("3");
        touch(rig.out(QStringLiteral("out2.asc")));

        QCOMPARE(rig.loop.run(), PressResult::OutputExists);

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.errors,
                 QStringList{rig.out(QStringLiteral("out2.asc")) +
                             QStringLiteral(" already exists!\rOverwrite not supported")});
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        verifyCleanEnd(rig, {QStringLiteral("out1.asc"), QStringLiteral("out2.asc")});
    }

    void cancelDuringSigner_data() {
        QTest::addColumn<bool>("nextExists");
        QTest::addColumn<PressResult>("result");
        QTest::newRow("next output free") << false << PressResult::Cancelled;
        QTest::newRow("next output exists") << true << PressResult::OutputExists;
    }

    void cancelDuringSigner() {
        QFETCH(bool, nextExists);
        QFETCH(PressResult, result);
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("3");
        if (nextExists) {
            touch(rig.out(QStringLiteral("out2.asc")));
        }
        // The click waits for the signer and lands at the next event round.
        rig.sink.onPendingEvents = [&rig] { rig.sink.tag = -1; };

        QCOMPARE(rig.loop.run(), result);

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.positions, QList<int>{33});
        QCOMPARE(rig.sink.errors.size(), nextExists ? 1 : 0);
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        QStringList outputs{QStringLiteral("out1.asc")};
        if (nextExists) {
            outputs << QStringLiteral("out2.asc");
        }
        verifyCleanEnd(rig, outputs);
    }

    void cancelAfterLastNumberSuppressesSuccess() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("2");
        int rounds = 0;
        rig.sink.onPendingEvents = [&rig, &rounds] {
            if (++rounds == 2) {
                rig.sink.tag = -1;
            }
        };

        QCOMPARE(rig.loop.run(), PressResult::Cancelled);

        QCOMPARE(rig.signer.requests.size(), 2);
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        verifyCleanEnd(rig, {QStringLiteral("out1.asc"), QStringLiteral("out2.asc")});
    }

    void signerEndings_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("error");
        const auto exited = static_cast<int>(SignerOutcome::Ending::Exited);
        QTest::newRow("127 counts as success")
            << exited << 127 << true << PressResult::Succeeded << QString();
        QTest::newRow("named code") << exited << 11 << true << PressResult::SignerFailed
                                    << QStringLiteral("Error 11 occured:\rNONEXIST_KEY_ERROR");
        QTest::newRow("unnamed code") << exited << 8 << false << PressResult::SignerFailed
                                      << QStringLiteral("Error 8 occured:\r");
        QTest::newRow("not started")
            << static_cast<int>(SignerOutcome::Ending::NotStarted) << -1 << false
            << PressResult::SignerFailed << QStringLiteral("Error -1 occured:");
        QTest::newRow("killed by a signal")
            << static_cast<int>(SignerOutcome::Ending::Signalled) << 9 << false
            << PressResult::SignerFailed << QStringLiteral("Error 9 occured:");
        QTest::newRow("0 without output") << exited << 0 << false << PressResult::SignerFailed
                                          << QStringLiteral("was not written!");
        QTest::newRow("127 without output")
            << exited << 127 << false << PressResult::SignerFailed << QStringLiteral("code 127");
    }

    void signerEndings() {
        QFETCH(int, ending);
        QFETCH(int, code);
        QFETCH(bool, writes);
        QFETCH(PressResult, result);
        QFETCH(QString, error);
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("2");
        rig.signer.writeOutput = writes;
        rig.signer.act = [&](const SignerRequest&, SignerOutcome& outcome) {
            outcome.ending = static_cast<SignerOutcome::Ending>(ending);
            outcome.exitCode = code;
        };

        QCOMPARE(rig.loop.run(), result);

        if (result == PressResult::Succeeded) {
            QVERIFY(rig.sink.errors.isEmpty());
            QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 1);
            verifyCleanEnd(rig, {QStringLiteral("out1.asc"), QStringLiteral("out2.asc")});
            return;
        }
        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.errors.size(), 1);
        QVERIFY2(rig.sink.errors.first().contains(error), qPrintable(rig.sink.errors.first()));
        QCOMPARE(rig.sink.errorDetails.first(), QStringLiteral("fake signer said"));
        QCOMPARE(rig.sink.count(QStringLiteral("progress")), 0);
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        verifyCleanEnd(rig, writes ? QStringList{QStringLiteral("out1.asc")} : QStringList{});
    }

    void fileFailuresMidRun_data() {
        QTest::addColumn<QString>("harm");
        QTest::addColumn<QString>("message");
        // The signer of number 1 removes the snapshot: reloading the template fails.
        QTest::newRow("snapshot removed")
            << QStringLiteral("remove snapshot")
            << QStringLiteral("Cannot open file %1/SealmillTemplate.tmp");
        // ... or blocks the work file of number 2 with a directory.
        QTest::newRow("work file blocked") << QStringLiteral("block work file")
                                           << QStringLiteral("Cannot create file %1/Sealmill2.tmp");
    }

    void fileFailuresMidRun() {
        QFETCH(QString, harm);
        QFETCH(QString, message);
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("3");
        const QString blocker = rig.out(QStringLiteral("Sealmill2.tmp"));
        rig.signer.act = [&](const SignerRequest& request, SignerOutcome&) {
            if (!request.workFile.endsWith(QStringLiteral("Sealmill1.tmp"))) {
                return;
            }
            if (harm == QStringLiteral("remove snapshot")) {
                QFile::remove(rig.out(QStringLiteral("SealmillTemplate.tmp")));
            } else {
                QDir().mkpath(blocker);
            }
        };

        QCOMPARE(rig.loop.run(), PressResult::FileFailed);
        QDir(blocker).removeRecursively();

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.failures, QStringList{message.arg(rig.outDir)});
        QCOMPARE(rig.sink.log.last(), QStringLiteral("failure ") + message.arg(rig.outDir));
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        verifyCleanEnd(rig, {QStringLiteral("out1.asc")});
    }

    void snapshotNotWritableEndsBeforeStart() {
        PressRig rig;
        QVERIFY(QDir().mkpath(rig.out(QStringLiteral("SealmillTemplate.tmp"))));
        rig.sink.tag = -1;

        QCOMPARE(rig.loop.run(), PressResult::FileFailed);

        QCOMPARE(rig.sink.log, QStringList{QStringLiteral("failure Cannot create file ") +
                                           rig.out(QStringLiteral("SealmillTemplate.tmp"))});
        QCOMPARE(rig.sink.tag, 0);
        QVERIFY(rig.signer.requests.isEmpty());
        QCOMPARE(rig.doc.text(), kTemplate);
    }

    void rangeLostStopsFurtherSigners_data() {
        QTest::addColumn<QString>("to");
        QTest::newRow("total zero") << QStringLiteral("0");
        QTest::newRow("total negative") << QStringLiteral("-5");
        QTest::newRow("not a number") << QStringLiteral("x");
    }

    void rangeLostStopsFurtherSigners() {
        QFETCH(QString, to);
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("3");
        rig.signer.act = [&](const SignerRequest&, SignerOutcome&) { rig.settings.serialTo = to; };

        QCOMPARE(rig.loop.run(), PressResult::RangeLost);

        QCOMPARE(rig.signer.requests.size(), 1);
        QCOMPARE(rig.sink.count(QStringLiteral("progress")), 0);
        QCOMPARE(rig.sink.count(QStringLiteral("succeeded")), 0);
        verifyCleanEnd(rig, {QStringLiteral("out1.asc")});
    }
};

QTEST_GUILESS_MAIN(TestPressLoopStops)
#include "tst_pressloop_stops.moc"
