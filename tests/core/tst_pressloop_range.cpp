// Runs that press their whole range: which numbers, where the files go, what
// the signer is given, and what the user sees.
#include "outputpath.h"
#include "pressfakes.h"
#include "pressloop.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace sealmill;

class TestPressLoopRange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressesEveryNumberWithProgress() {
        PressRig rig;
        rig.settings.serialFrom = QStringLiteral("5");
        rig.settings.serialTo = QStringLiteral("9");

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(filesIn(rig.outDir),
                 QStringList({QStringLiteral("out5.asc"), QStringLiteral("out6.asc"),
                              QStringLiteral("out7.asc"), QStringLiteral("out8.asc"),
                              QStringLiteral("out9.asc")}));
        QCOMPARE(rig.sink.positions, QList<int>({20, 40, 60, 80, 100}));
        QCOMPARE(rig.sink.statuses.first(), QStringLiteral("1 of 5 processed"));
        QCOMPARE(rig.sink.statuses.last(), QStringLiteral("5 of 5 processed"));
        QCOMPARE(rig.signer.workTexts.at(2), QByteArray("Serial 7\r\nfixed\r\n"));
        QCOMPARE(rig.sink.log.first(), QStringLiteral("started"));
        QCOMPARE(rig.sink.log.mid(rig.sink.log.size() - 2),
                 QStringList({QStringLiteral("idle"), QStringLiteral("succeeded")}));
        QCOMPARE(rig.sink.count(QStringLiteral("events")), 5);
        QCOMPARE(rig.sink.tag, 0);
        QCOMPARE(rig.doc.text(), QStringLiteral("Serial @SERIAL@\nfixed\n"));
    }

    void temporaryFilesArePrivateAndGone() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("2");
        QVERIFY(QFile::setPermissions(
            rig.outDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                            QFileDevice::ReadOther | QFileDevice::ExeOther));

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.signer.workPermissions,
                 QStringList({QStringLiteral("rw-------"), QStringLiteral("rw-------")}));
        QCOMPARE(rig.signer.snapshotPermissions.first(), QStringLiteral("rw-------"));
        QCOMPARE(filesIn(rig.outDir),
                 QStringList({QStringLiteral("out1.asc"), QStringLiteral("out2.asc")}));
    }

    void substitution_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QByteArray>("signedText");
        QTest::newRow("first occurrence per line only")
            << QStringLiteral("@SERIAL@ and @SERIAL@\nno mark\nend @SERIAL@")
            << QByteArray("3 and @SERIAL@\r\nno mark\r\nend 3");
        QTest::newRow("case matters")
            << QStringLiteral("@serial@ @SERIAL@\n") << QByteArray("@serial@ 3\r\n");
        const QString longHead(5000, u'x');
        QTest::newRow("long line kept whole")
            << longHead + QStringLiteral("@SERIAL@") + longHead
            << (longHead + QStringLiteral("3") + longHead).toLatin1();
    }

    void substitution() {
        QFETCH(QString, lines);
        QFETCH(QByteArray, signedText);
        PressRig rig(lines);
        rig.settings.serialFrom = QStringLiteral("3");
        rig.settings.serialTo = QStringLiteral("3");

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.signer.workTexts, QList<QByteArray>{signedText});
        QCOMPARE(rig.doc.text(), lines);
    }

    void outputNames_data() {
        QTest::addColumn<QString>("subdir");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("no placeholder: number in front")
            << QString() << QStringLiteral("out.txt") << QStringLiteral("7out.txt");
        QTest::newRow("only the first placeholder")
            << QString() << QStringLiteral("a@SERIAL@b@SERIAL@") << QStringLiteral("a7b@SERIAL@");
        QTest::newRow("spaces in the name") << QString() << QStringLiteral("my file @SERIAL@.asc")
                                            << QStringLiteral("my_file_7.asc");
        QTest::newRow("space in the directory")
            << QStringLiteral("a b") << QStringLiteral("x @SERIAL@") << QStringLiteral("x_7");
    }

    void outputNames() {
        QFETCH(QString, subdir);
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        PressRig rig;
        QString dir = rig.outDir;
        if (!subdir.isEmpty()) {
            dir = rig.out(subdir);
            QVERIFY(QDir().mkpath(dir));
        }
        rig.settings.runDir = dir + u'/';  // a final separator is not doubled
        rig.settings.runName = pattern;
        rig.settings.serialFrom = QStringLiteral("7");
        rig.settings.serialTo = QStringLiteral("7");

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.loop.outputDir(), dir + u'/');
        QCOMPARE(rig.signer.requests.first().workFile, dir + QStringLiteral("/Sealmill7.tmp"));
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
        QCOMPARE(rig.sink.log, QStringList{QStringLiteral("error Output path too long! Sorry...")});
        QVERIFY(rig.loop.outputDir().isEmpty());
        QVERIFY(rig.signer.requests.isEmpty());
        QVERIFY(filesIn(dir35).isEmpty());

        rig.settings.runDir = dir34;
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(filesIn(dir34), QStringList{QStringLiteral("out1.asc")});
    }

    void refusedSilently_data() {
        QTest::addColumn<QString>("signer");
        QTest::addColumn<QString>("runDir");
        QTest::newRow("signer missing") << QStringLiteral("missing") << QStringLiteral("out");
        QTest::newRow("signer is a directory") << QStringLiteral("out") << QStringLiteral("out");
        QTest::newRow("no output directory") << QStringLiteral("signer") << QString();
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
        QVERIFY(!QFile::exists(QStringLiteral("/SealmillTemplate.tmp")));
    }

    void emptyRangeStillSucceeds() {
        PressRig rig;
        rig.settings.serialFrom = QStringLiteral("9");
        rig.settings.serialTo = QStringLiteral("5");
        rig.sink.tag = -1;  // a Close before the run leaves no cancel pending

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QVERIFY(rig.signer.requests.isEmpty());
        QCOMPARE(rig.sink.log, QStringList({QStringLiteral("started"), QStringLiteral("idle"),
                                            QStringLiteral("succeeded")}));
        QCOMPARE(rig.sink.tag, 0);
        QVERIFY(filesIn(rig.outDir).isEmpty());
    }

    void fieldsEditedDuringRunChangeOnlyProgress() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("4");
        rig.sink.onPendingEvents = [&rig] {
            rig.settings.serialFrom = QStringLiteral("0");
            rig.settings.serialTo = QStringLiteral("$9");
        };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(rig.signer.requests.size(), 4);
        QCOMPARE(rig.sink.positions, QList<int>({25, 30, 40, 50}));
        QCOMPARE(rig.sink.statuses.at(1), QStringLiteral("3 of 10 processed"));
    }

    void valuesReadAfreshForEachNumber() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("2");
        rig.settings.pgpId = QStringLiteral("Key \"with\" quotes");
        rig.settings.pass = QStringLiteral("pass phrase");
        const QString firstSigner = rig.settings.pgpDir;
        const QString otherSigner = rig.temp.filePath(QStringLiteral("other signer"));
        QFile(otherSigner).open(QIODevice::WriteOnly);
        rig.sink.onPendingEvents = [&rig, otherSigner] {
            rig.settings.pgpDir = otherSigner;
            rig.settings.pgpId = QStringLiteral("key2");
            rig.settings.pass = QStringLiteral("pass2");
            rig.settings.runName = QStringLiteral("new@SERIAL@");
            rig.settings.runDir = QStringLiteral("/elsewhere");  // read once, at the start
        };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        const SignerRequest& first = rig.signer.requests.at(0);
        QCOMPARE(first.program, firstSigner);
        QCOMPARE(first.workFile, rig.out(QStringLiteral("Sealmill1.tmp")));
        QCOMPARE(first.outputFile, rig.out(QStringLiteral("out1.asc")));
        QCOMPARE(first.keyId, QStringLiteral("Key \"with\" quotes"));
        QCOMPARE(first.passPhrase, QStringLiteral("pass phrase"));
        QVERIFY(rig.sink.signerWaits > 0);
        const SignerRequest& second = rig.signer.requests.at(1);
        QCOMPARE(second.program, otherSigner);
        QCOMPARE(second.keyId, QStringLiteral("key2"));
        QCOMPARE(second.passPhrase, QStringLiteral("pass2"));
        QCOMPARE(second.outputFile, rig.out(QStringLiteral("new2")));
    }

    void runsDoNotNest() {
        PressRig rig;
        rig.settings.serialTo = QStringLiteral("2");
        QList<PressResult> nested;
        rig.sink.onPendingEvents = [&rig, &nested] { nested << rig.loop.run(); };

        QCOMPARE(rig.loop.run(), PressResult::Succeeded);

        QCOMPARE(nested,
                 QList<PressResult>({PressResult::AlreadyRunning, PressResult::AlreadyRunning}));
        QCOMPARE(rig.signer.requests.size(), 2);
        QCOMPARE(rig.sink.count(QStringLiteral("started")), 1);
        QVERIFY(!rig.loop.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestPressLoopRange)
#include "tst_pressloop_range.moc"
