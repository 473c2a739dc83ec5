// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "filesizelimit.h"
#include "permissionbits.h"
#include "pressrig.h"

#include <QtTest>
#include <functional>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kTheirs = "someone else's file\n";

// What the signer stand-in makes of number n of PressRig's template.
QByteArray signedCopy(int n) {
    return "-----BEGIN PGP SIGNED MESSAGE-----\n\nSerial " + QByteArray::number(n) +
           "\r\nfixed\r\n\n-----BEGIN PGP SIGNATURE-----\nkey:\n-----END PGP SIGNATURE-----\n";
}

// The output folder holds exactly the whole outputs of `published` and the
// strangers' files `theirs`, these byte for byte.
void verifyFolder(const PressRig& rig, const QList<int>& published, const QStringList& theirs) {
    QStringList expected = theirs;
    for (const int n : published) {
        expected << u"out%1.asc"_s.arg(n);
        QCOMPARE(contents(rig.out(expected.constLast())), signedCopy(n));
    }
    for (const QString& name : theirs) {
        QCOMPARE(contents(rig.out(name)), kTheirs);
    }
    expected.sort();
    QCOMPARE(rig.entries(), expected);
}

// The text with %1 standing for the output directory.
QString withDir(QString text, const QString& outDir) {
    return text.replace(u"%1"_s, outDir);
}

// Something done to the run's surroundings after each published number.
using Meddling = std::function<void(PressRig&)>;

}  // namespace

Q_DECLARE_METATYPE(sealmill::PressResult)
Q_DECLARE_METATYPE(Meddling)

class TestPressJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every number of the range is signed from the run's own copy of the
    // template (first placeholder of a line only, in the file's encoding)
    // and published under its name; the pattern is read per number and the
    // range only for the figures; nothing else stays behind.
    void pressesEveryNumberOfTheRange() {
        PressRig rig(u"@SERIAL@ @SERIAL@\nfixed\n"_s);
        rig.text.encoding = TextEncoding::Utf16Le;  // signed as UTF-8, without a mark
        rig.settings.serialFrom = u"5"_s;
        rig.settings.serialTo = u"9"_s;
        rig.settings.key = u"tarvix"_s;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&rig] {
            rig.settings.pattern = u"later @SERIAL@.asc"_s;
            rig.text.text = u"changed after the start"_s;
        });
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, PressResult::Succeeded);
        QCOMPARE(outcome.pressed, 5);
        QCOMPARE(rig.entries(), QStringList({u"later_6.asc"_s, u"later_7.asc"_s, u"later_8.asc"_s,
                                             u"later_9.asc"_s, u"out5.asc"_s}));
        QCOMPARE(contents(rig.out(u"later_7.asc"_s)),
                 QByteArray("-----BEGIN PGP SIGNED MESSAGE-----\n\n7 @SERIAL@\r\nfixed\r\n\n"
                            "-----BEGIN PGP SIGNATURE-----\nkey:tarvix\n-----END PGP "
                            "SIGNATURE-----\n"));
        QCOMPARE(rig.log,
                 QStringList({u"started"_s, u"noted "_s + kSignedAsUtf8,
                              u"progress 20 1 of 5 processed"_s, u"progress 40 2 of 5 processed"_s,
                              u"progress 60 3 of 5 processed"_s, u"progress 80 4 of 5 processed"_s,
                              u"progress 100 5 of 5 processed"_s}));
    }

    // An empty range still takes the folder, and gives it back.
    void emptyRange() {
        PressRig rig;
        rig.settings.serialFrom = u"3"_s;
        rig.settings.serialTo = u"2"_s;
        QCOMPARE(rig.run().result, PressResult::Succeeded);
        QCOMPARE(rig.log, QStringList({u"started"_s}));
        QCOMPARE(rig.entries(), QStringList());
    }

    // Refusals come before any file or signer: nothing is written, and, as
    // every outcome, they arrive once start() has returned. The copy with
    // the most digits holds the longest lines.
    void refusals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("serial");  // from and to
        QTest::addColumn<bool>("withOutputDir");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("outputs");
        const QString longLine = u"head\n"_s + QString(19987, u'a') + u"@SERIAL@\n"_s;
        QTest::newRow("longest line a clear signature carries")
            << longLine << TextEncoding::Utf8 << u"99999"_s << true << PressResult::Succeeded
            << QString() << 1;
        QTest::newRow("one byte longer")
            << longLine << TextEncoding::Utf8 << u"100000"_s << true << PressResult::Refused
            << u"Line 2 of the copy for number 100000 is 19993 bytes long: a clear signature "
               "carries lines of at most 19992 bytes whole. Nothing was pressed."_s
            << 0;
        QTest::newRow("text its encoding cannot store")
            << u"\u2603 @SERIAL@"_s << TextEncoding::Windows1252 << u"1"_s << true
            << PressResult::Refused << u"The text holds characters that Windows-1252 cannot store"_s
            << 0;
        QTest::newRow("no output directory") << u"@SERIAL@"_s << TextEncoding::Utf8 << u"1"_s
                                             << false << PressResult::Refused << QString() << 0;
    }
    void refusals() {
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, serial);
        QFETCH(bool, withOutputDir);
        PressRig rig(text);
        rig.text.encoding = encoding;
        rig.settings.serialFrom = rig.settings.serialTo = serial;
        rig.settings.outputDir = withOutputDir ? rig.outDir : QString();
        rig.job.start(rig.text, rig.signer);
        QVERIFY(!rig.outcome);
        QTRY_VERIFY(rig.outcome);
        QTEST(rig.outcome->result, "result");
        QTEST(rig.outcome->message, "message");
        QTEST(static_cast<int>(rig.entries().size()), "outputs");
    }

    // Nothing of a run reaches the next: a cancel that came before the first
    // number ends that run with nothing pressed, and the next presses all.
    void eachRunStartsAfresh() {
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        rig.job.start(rig.text, rig.signer);
        rig.job.cancel();
        QTRY_VERIFY(rig.outcome);
        QCOMPARE(rig.outcome->result, PressResult::Cancelled);
        QCOMPARE(rig.outcome->pressed, 0);
        QCOMPARE(rig.entries(), QStringList());

        const PressOutcome second = rig.run();
        QCOMPARE(second.result, PressResult::Succeeded);
        QCOMPARE(second.pressed, 3);
        QCOMPARE(second.cancelRequested, false);
        verifyFolder(rig, {1, 2, 3}, {});
    }

    // Numbers 1..3 through the real launch; the signer misbehaves. The run
    // stops there with the signer's word, and nothing of that number stays.
    void signerMisbehaves_data() {
        QTest::addColumn<QByteArray>("signer");  // the stand-in's settings
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QList<int>>("published");
        QTest::newRow("writes, then exit 20 at 2")
            << "FAIL_AT=2;EXIT=20"_ba << PressResult::SignerFailed
            << u"Error 20 occured:\rSIGNATURE_ERROR"_s << QList<int>{1};
        QTest::newRow("exit 0, empty output")
            << "NO_OUTPUT=1"_ba << PressResult::SignerFailed
            << u"%1/out1.asc was not written!\rThe signer reported success but left no signed "
               "copy"_s
            << QList<int>();
    }
    void signerMisbehaves() {
        QFETCH(QByteArray, signer);
        QFETCH(QString, message);
        QFETCH(QList<int>, published);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        const FakeSignerSettings settings(
            signer + ";COUNTER=" + QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        const PressOutcome outcome = rig.run();
        QTEST(outcome.result, "result");
        QCOMPARE(outcome.message, withDir(message, rig.outDir));
        QCOMPARE(outcome.pressed, published.size());
        verifyFolder(rig, published, {});
    }

    // The snapshot that keeps other runs out cannot be made: the run stops
    // before any signer, saying why, and a file already there is left alone.
    void snapshotCannotBeMade_data() {
        QTest::addColumn<QStringList>("theirs");  // files there before the run
        QTest::addColumn<QFileDevice::Permissions>("folder");
        QTest::addColumn<qulonglong>("sizeLimit");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QString>("details");
        const QFileDevice::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QTest::newRow("leftover snapshot")
            << QStringList{u"SealmillTemplate.tmp"_s} << all << qulonglong{RLIM_INFINITY}
            << u"Cannot create file %1/SealmillTemplate.tmp: File exists"_s
            << u"Another press run is using this folder, or an earlier one was killed before it "
               "could clean up. Remove the file if no run is going on."_s;
        QTest::newRow("read-only folder")
            << QStringList() << (QFile::ReadOwner | QFile::ExeOwner) << qulonglong{RLIM_INFINITY}
            << u"Cannot create file %1/SealmillTemplate.tmp: Permission denied"_s << QString();
        QTest::newRow("disk full")
            << QStringList() << all << qulonglong{10} << u"Stream write error"_s
            << u"%1/SealmillTemplate.tmp: File too large"_s;
    }
    void snapshotCannotBeMade() {
        QFETCH(QStringList, theirs);
        QFETCH(QFileDevice::Permissions, folder);
        QFETCH(qulonglong, sizeLimit);
        QFETCH(QString, message);
        QFETCH(QString, details);
        PressRig rig;
        const FakeSignerSettings counter("COUNTER=" +
                                         QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        for (const QString& name : theirs) {
            writeFile(rig.out(name), kTheirs);
        }
        QVERIFY(QFile::setPermissions(rig.outDir, folder));
        PressOutcome outcome;
        {
            const FileSizeLimit full(sizeLimit);
            const PermissionBitsApply asUser;
            outcome = rig.run();
        }
        QVERIFY(QFile::setPermissions(rig.outDir,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(outcome.message, withDir(message, rig.outDir));
        QCOMPARE(outcome.details, withDir(details, rig.outDir));
        QCOMPARE(contents(rig.temp.filePath(u"calls"_s)), QByteArray("<missing>"));
        verifyFolder(rig, {}, theirs);
    }

    // A name taken before its number comes, even by a dangling link, stops
    // the run before that number is signed.
    void danglingLinkAtAnOutputName() {
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        const FakeSignerSettings counter("COUNTER=" +
                                         QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        QVERIFY(QFile::link(u"nowhere"_s, rig.out(u"out2.asc"_s)));
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, PressResult::OutputExists);
        QCOMPARE(outcome.message,
                 rig.out(u"out2.asc"_s) + u" already exists!\rOverwrite not supported"_s);
        QCOMPARE(contents(rig.temp.filePath(u"calls"_s)), QByteArray("1"));
        QCOMPARE(QFile::symLinkTarget(rig.out(u"out2.asc"_s)), rig.temp.filePath(u"out/nowhere"_s));
        QCOMPARE(rig.entries(), QStringList({u"out1.asc"_s, u"out2.asc"_s}));
    }

    // The system ends a name at a NUL: the output would land as "theirs".
    void nulInThePattern() {
        PressRig rig;
        rig.settings.pattern = u"theirs\0@SERIAL@"_s;
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(outcome.message, u"Cannot create file "_s + rig.out(u"theirs\0"
                                                                     "1"_s));
        QCOMPARE(rig.entries(), QStringList());
    }

    // Numbers 1..3; after each published number something changes around
    // the run. Only whole outputs of the run's own template stay, and no
    // temporary file.
    void changesDuringTheRun_data() {
        QTest::addColumn<Meddling>("meddling");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QString>("details");
        QTest::addColumn<QList<int>>("published");
        QTest::addColumn<QByteArray>("calls");  // of the signer
        QTest::newRow("snapshot replaced") << Meddling([](PressRig& rig) {
            const QString snapshot = rig.out(u"SealmillTemplate.tmp"_s);
            QFile::remove(snapshot);
            writeFile(snapshot, "substituted @SERIAL@\n");
        }) << PressResult::Succeeded << QString()
                                           << QString() << QList<int>{1, 2, 3} << "3"_ba;
        QTest::newRow("folder removed")
            << Meddling([](PressRig& rig) { QDir(rig.outDir).removeRecursively(); })
            << PressResult::FileFailed << u"The output folder %1 was removed during the run"_s
            << u"Nothing more is published, and the run's temporary files are removed from the "
               "folder it had opened."_s
            << QList<int>() << "1"_ba;
        QTest::newRow("range emptied")
            << Meddling([](PressRig& rig) { rig.settings.serialTo = u"0"_s; })
            << PressResult::RangeLost << QString() << QString() << QList<int>{1, 2} << "2"_ba;
        QTest::newRow("pattern made too long")
            << Meddling([](PressRig& rig) { rig.settings.pattern = QString(256, u'n'); })
            << PressResult::FileFailed << u"Cannot create file %1/2"_s + QString(256, u'n')
            << u"Output path too long! Sorry..."_s << QList<int>{1} << "1"_ba;
    }
    void changesDuringTheRun() {
        QFETCH(Meddling, meddling);
        QFETCH(QString, message);
        QFETCH(QString, details);
        QFETCH(QList<int>, published);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        const FakeSignerSettings counter("COUNTER=" +
                                         QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job,
                         [&rig, &meddling] { meddling(rig); });
        const PressOutcome outcome = rig.run();
        QTEST(outcome.result, "result");
        QCOMPARE(outcome.message, withDir(message, rig.outDir));
        QCOMPARE(outcome.details, details);
        QTEST(contents(rig.temp.filePath(u"calls"_s)), "calls");
        verifyFolder(rig, published, {});
    }

    // Numbers 1..3, cancelled while 2 is signed. A first cancel lets the
    // signer finish its number, which counts, and starts no other; the
    // existence test still comes first. A second stops a hung signer at
    // once and keeps nothing of its number.
    void cancel_data() {
        QTest::addColumn<QStringList>("theirs");    // files there before the run
        QTest::addColumn<QByteArray>("signerOn2");  // the stand-in's settings from number 2 on
        QTest::addColumn<int>("cancels");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QList<int>>("published");
        QTest::newRow("once") << QStringList() << QByteArray() << 1 << PressResult::Cancelled
                              << QList<int>{1, 2};
        QTest::newRow("once, next output there") << QStringList{u"out3.asc"_s} << QByteArray() << 1
                                                 << PressResult::OutputExists << QList<int>{1, 2};
        QTest::newRow("twice, signer hung")
            << QStringList() << "SLEEP_MS=60000"_ba << 2 << PressResult::Stopped << QList<int>{1};
    }
    void cancel() {
        QFETCH(QStringList, theirs);
        QFETCH(QByteArray, signerOn2);
        QFETCH(int, cancels);
        QFETCH(QList<int>, published);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        for (const QString& name : theirs) {
            writeFile(rig.out(name), kTheirs);
        }
        std::optional<FakeSignerSettings> on2;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&] {
            if (on2) {
                return;
            }
            on2.emplace(signerOn2);
            // From the event loop: the next number has begun by then.
            QMetaObject::invokeMethod(
                &rig.job,
                [&rig, cancels] {
                    for (int i = 0; i < cancels; ++i) {
                        rig.job.cancel();
                    }
                },
                Qt::QueuedConnection);
        });
        const PressOutcome outcome = rig.run();
        QTEST(outcome.result, "result");
        QCOMPARE(rig.log.filter(u"cancelling"_s), QStringList{u"cancelling 2 to 2"_s});
        QCOMPARE(outcome.pressed, published.size());
        verifyFolder(rig, published, theirs);
    }
};

QTEST_GUILESS_MAIN(TestPressJob)
#include "tst_pressjob.moc"
