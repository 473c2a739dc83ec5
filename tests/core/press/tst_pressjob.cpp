// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "filesizelimit.h"
#include "permissionbits.h"
#include "pressrig.h"

#include <QtTest>
#include <utility>

using namespace sealmill;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(sealmill::PressResult)

namespace {

const QByteArray kTheirs = "someone else's file\n";

}  // namespace

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
        // What the signer stand-in makes of the numbered copy.
        QCOMPARE(contents(rig.out(u"later_7.asc"_s)),
                 QByteArray("-----BEGIN PGP SIGNED MESSAGE-----\n\n7 @SERIAL@\r\nfixed\r\n\n"
                            "-----BEGIN PGP SIGNATURE-----\nkey:tarvix\n-----END PGP "
                            "SIGNATURE-----\n"));
        QCOMPARE(rig.log,
                 QStringList({u"started"_s, u"noted "_s + kSignedAsUtf8,
                              u"progress 20 1 of 5 processed"_s, u"progress 40 2 of 5 processed"_s,
                              u"progress 60 3 of 5 processed"_s, u"progress 80 4 of 5 processed"_s,
                              u"progress 100 5 of 5 processed"_s}));

        // An empty range still takes the directory, and gives it back.
        rig.text.encoding = TextEncoding::Utf8;
        rig.settings.serialFrom = u"3"_s;
        rig.settings.serialTo = u"2"_s;
        rig.log.clear();
        QCOMPARE(rig.run().result, PressResult::Succeeded);
        QCOMPARE(rig.log, QStringList({u"started"_s}));
        QCOMPARE(rig.entries().size(), 5);
    }

    // Refusals come before any file or signer: nothing is written, and, as
    // every outcome, they arrive once start() has returned. The copy with
    // the most digits holds the longest lines.
    void refusals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("serial");  // from and to
        QTest::addColumn<QString>("outputDir");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");
        const QString longLine = u"head\n"_s + QString(19987, u'a') + u"@SERIAL@\n"_s;
        QTest::newRow("longest line a clear signature carries")
            << longLine << u"99999"_s << u"out"_s << PressResult::Succeeded << QString();
        QTest::newRow("one byte longer")
            << longLine << u"100000"_s << u"out"_s << PressResult::Refused
            << u"Line 2 of the copy for number 100000 is 19993 bytes long: a clear signature "
               "carries lines of at most 19992 bytes whole. Nothing was pressed."_s;
        QTest::newRow("text its encoding cannot store")
            << u"\u2603 @SERIAL@"_s << u"1"_s << u"out"_s << PressResult::Refused
            << u"The text holds characters that Windows-1252 cannot store"_s;
        QTest::newRow("no output directory")
            << u"@SERIAL@"_s << u"1"_s << QString() << PressResult::Refused << QString();
    }
    void refusals() {
        QFETCH(QString, text);
        QFETCH(QString, serial);
        QFETCH(QString, outputDir);
        QFETCH(PressResult, result);
        PressRig rig(text);
        rig.text.encoding =
            text.startsWith(u'\u2603') ? TextEncoding::Windows1252 : TextEncoding::Utf8;
        rig.settings.serialFrom = rig.settings.serialTo = serial;
        rig.settings.outputDir = outputDir.isEmpty() ? outputDir : rig.outDir;
        rig.job.start(rig.text, rig.signer);
        QVERIFY(!rig.outcome);
        QTRY_VERIFY(rig.outcome);
        QCOMPARE(rig.outcome->result, result);
        QTEST(rig.outcome->message, "message");
        QCOMPARE(rig.entries().size(), result == PressResult::Succeeded ? 1 : 0);
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
        QCOMPARE(rig.entries(), QStringList({u"out1.asc"_s, u"out2.asc"_s, u"out3.asc"_s}));
    }

    // Numbers 1..3 through the real launch; on number 2 the signer misbehaves
    // or someone meddles with the directory. Nothing is lost: one message,
    // only whole outputs under their names, a stranger's file byte for byte,
    // and no temporary file left.
    void faultsDuringARun_data() {
        QTest::addColumn<QString>("mischief");
        QTest::addColumn<QByteArray>("signer");  // the stand-in's settings
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // its start; %1: the output directory
        QTest::addColumn<QStringList>("entries");
        const QStringList one{u"out1.asc"_s}, three{u"out1.asc"_s, u"out2.asc"_s, u"out3.asc"_s};
        const auto row = [](const char* mischief, const QByteArray& signer, PressResult result,
                            const QString& message, const QStringList& entries) {
            QTest::newRow(mischief)
                << QString::fromLatin1(mischief) << signer << result << message << entries;
        };
        row("writes, then exit 20", "FAIL_AT=2;EXIT=20", PressResult::SignerFailed,
            u"Error 20 occured:\rSIGNATURE_ERROR"_s, one);
        row("exit 0, empty output", "NO_OUTPUT=1", PressResult::SignerFailed,
            u"%1/out1.asc was not written!"_s, {});
        row("snapshot replaced", "", PressResult::Succeeded, {}, three);
        row("dangling link at an output name", "", PressResult::OutputExists,
            u"%1/out2.asc already exists!\rOverwrite not supported"_s,
            {u"out1.asc"_s, u"out2.asc"_s});
        row("output made while the signer works", "", PressResult::OutputExists,
            u"%1/out2.asc already exists!"_s, {u"out1.asc"_s, u"out2.asc"_s});
        row("leftover snapshot", "", PressResult::FileFailed,
            u"Cannot create file %1/SealmillTemplate.tmp"_s, {u"SealmillTemplate.tmp"_s});
        row("read-only directory", "", PressResult::FileFailed,
            u"Cannot create file %1/SealmillTemplate.tmp"_s, {});
        row("disk full at the snapshot", "", PressResult::FileFailed, u"Stream write error"_s, {});
        row("directory removed between numbers", "", PressResult::FileFailed,
            u"The output folder %1 was removed during the run"_s, {});
        // The system ends a name at a NUL: the output would land as "theirs".
        row("range emptied during the run", "", PressResult::RangeLost, {},
            {u"out1.asc"_s, u"out2.asc"_s});
        row("NUL in the pattern", "", PressResult::FileFailed, u"Cannot create file %1/theirs\0"_s,
            {});
    }
    void faultsDuringARun() {
        QFETCH(QString, mischief);
        QFETCH(QByteArray, signer);
        QFETCH(QString, message);
        PressRig rig(u"Serial @SERIAL@\n"_s.repeated(100));
        rig.settings.serialTo = u"3"_s;
        const QString snapshot = rig.out(u"SealmillTemplate.tmp"_s);
        const FakeSignerSettings settings(
            signer + ";COUNTER=" + QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        QVERIFY(!mischief.startsWith(u"dangling") ||
                QFile::link(u"nowhere"_s, rig.out(u"out2.asc"_s)));
        rig.settings.pattern =
            mischief.startsWith(u"NUL") ? u"theirs\0@SERIAL@"_s : rig.settings.pattern;
        if (mischief == u"leftover snapshot") {
            writeFile(snapshot, kTheirs);
        }
        std::optional<FakeSignerSettings> alsoCreate;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&] {
            if (mischief == u"directory removed between numbers") {
                QDir(rig.outDir).removeRecursively();
            } else if (mischief.startsWith(u"range")) {
                rig.settings.serialTo = u"0"_s;
            } else if (mischief == u"snapshot replaced") {
                QFile::remove(snapshot);
                writeFile(snapshot, "substituted @SERIAL@\n");
            } else if (mischief.startsWith(u"output made")) {
                alsoCreate.emplace("ALSO_CREATE=" + QFile::encodeName(rig.out(u"out2.asc"_s)));
            }
        });

        QVERIFY(mischief != u"read-only directory" ||
                QFile::setPermissions(rig.outDir, QFile::ReadOwner | QFile::ExeOwner));
        const FileSizeLimit full(mischief.startsWith(u"disk full") ? 10 : RLIM_INFINITY);
        const PermissionBitsApply asUser;
        const PressOutcome outcome = rig.run();

        QTEST(outcome.result, "result");
        QVERIFY2(outcome.message.startsWith(message.replace(u"%1"_s, rig.outDir)),
                 qPrintable(outcome.message));
        QVERIFY(mischief != u"leftover snapshot" || outcome.details.contains(u"Remove the file"));
        QVERIFY(!mischief.startsWith(u"disk full") ||
                outcome.details == snapshot + u": File too large"_s);
        QTEST(rig.entries(), "entries");
        // A name taken before its number comes is not signed for.
        QVERIFY(!mischief.startsWith(u"dangling") ||
                contents(rig.temp.filePath(u"calls"_s)) == "1");
        // Each entry is a stranger's, untouched, or a whole output of its number.
        for (const QString& name : rig.entries()) {
            const QString path = rig.out(name);
            if (QFileInfo(path).isSymLink() && !QFileInfo(path).exists()) {
                continue;
            }
            const QByteArray bytes = contents(path);
            QVERIFY2(bytes == kTheirs ||
                         (bytes.endsWith("-----END PGP SIGNATURE-----\n") &&
                          bytes.count("Serial " + name.mid(3, 1).toLatin1() + "\r\n") == 100),
                     qPrintable(name));
        }
    }

    // A pattern edited during the run into a name the system cannot hold
    // stops the run before that number is signed, saying why.
    void patternMadeTooLongDuringTheRun() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        const FakeSignerSettings counter("COUNTER=" +
                                         QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job,
                         [&rig] { rig.settings.pattern = QString(256, u'n'); });
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(outcome.message, u"Cannot create file "_s + rig.out(u"2"_s + QString(256, u'n')));
        QCOMPARE(outcome.details, u"Output path too long! Sorry..."_s);
        QCOMPARE(contents(rig.temp.filePath(u"calls"_s)), QByteArray("1"));
        QCOMPARE(rig.entries(), QStringList{u"out1.asc"_s});
    }

    // A first cancel lets the signer finish its number, which counts, and
    // starts no other; the existence test still comes first. A second stops
    // a hung signer at once and keeps nothing of its number.
    void cancel_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QStringList>("entries");
        const auto row = [](const char* how, PressResult result, const QString& entries) {
            QTest::newRow(how) << QString::fromLatin1(how) << result << entries.split(u' ');
        };
        row("once", PressResult::Cancelled, u"out1.asc out2.asc"_s);
        row("once, next output there", PressResult::OutputExists, u"out1.asc out2.asc out3.asc"_s);
        row("twice, signer hung", PressResult::Stopped, u"out1.asc"_s);
    }
    void cancel() {
        QFETCH(QString, how);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        if (how.contains(u"next output there")) {
            writeFile(rig.out(u"out3.asc"_s), kTheirs);
        }
        std::optional<FakeSignerSettings> hang;
        bool asked = false;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&] {
            if (std::exchange(asked, true)) {
                return;
            }
            if (how.startsWith(u"twice")) {
                hang.emplace("SLEEP_MS=60000");
            }
            // From the event loop: the next number has begun by then.
            QMetaObject::invokeMethod(
                &rig.job,
                [&] {
                    rig.job.cancel();
                    if (how.startsWith(u"twice")) {
                        rig.job.cancel();
                    }
                },
                Qt::QueuedConnection);
        });
        const PressOutcome outcome = rig.run();
        QTEST(outcome.result, "result");
        QVERIFY2(rig.log.contains(u"cancelling 2"_s), qPrintable(rig.log.join(u", "_s)));
        QTEST(rig.entries(), "entries");
        QCOMPARE(outcome.pressed, how.startsWith(u"twice") ? 1 : 2);
    }
};

QTEST_GUILESS_MAIN(TestPressJob)
#include "tst_pressjob.moc"
