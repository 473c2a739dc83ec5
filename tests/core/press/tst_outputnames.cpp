// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Output names that would fall on the run's own temporary files are refused
// before anything is signed or written.
#include "pressrig.h"

#include <QtTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(sealmill::PressResult)

class TestOutputNames : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void temporaryNamesRefused_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("refusal");      // empty: pressed
        QTest::addColumn<QStringList>("entries");  // of the output folder afterwards
        const QStringList untouched{u"4"_s, u"sub"_s};
        const auto refused = [&untouched](const char* pattern, const char* name) {
            QTest::newRow(pattern)
                << QString::fromLatin1(pattern)
                << u"The file name pattern %1 makes names (%2) that the press "
                   "uses for its own temporary files; choose another pattern"_s.arg(
                       QString::fromLatin1(pattern), QString::fromLatin1(name))
                << untouched;
        };
        refused("Sealmill@SERIAL@.signed.tmp", "Sealmill4.signed.tmp");
        refused("Sealmill@SERIAL@.tmp", "Sealmill4.tmp");
        refused("sealmill1@SERIAL@.TMP", "sealmill14.TMP");
        refused("./Sealmill@SERIAL@.tmp", "./Sealmill4.tmp");
        refused("@SERIAL@/../SealmillTemplate.tmp", "4/../SealmillTemplate.tmp");
        QTest::newRow("other extension")
            << u"Sealmill@SERIAL@.txt"_s << QString()
            << QStringList{u"4"_s, u"Sealmill4.txt"_s, u"Sealmill5.txt"_s, u"sub"_s};
        QTest::newRow("text between")
            << u"Sealmill-@SERIAL@.tmp"_s << QString()
            << QStringList{u"4"_s, u"Sealmill-4.tmp"_s, u"Sealmill-5.tmp"_s, u"sub"_s};
        QTest::newRow("in a subfolder") << u"sub/Sealmill@SERIAL@.tmp"_s << QString() << untouched;
    }
    void temporaryNamesRefused() {
        QFETCH(QString, pattern);
        QFETCH(QString, refusal);
        PressRig rig;
        QVERIFY(QDir(rig.outDir).mkpath(u"sub"_s) && QDir(rig.outDir).mkpath(u"4"_s));
        rig.settings.serialFrom = u"4"_s;
        rig.settings.serialTo = u"5"_s;
        rig.settings.pattern = pattern;
        const FakeSignerSettings counter("COUNTER=" +
                                         QFile::encodeName(rig.temp.filePath(u"calls"_s)));
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, refusal.isEmpty() ? PressResult::Succeeded : PressResult::Refused);
        QCOMPARE(outcome.message, refusal);
        QCOMPARE(contents(rig.temp.filePath(u"calls"_s)),
                 refusal.isEmpty() ? "2"_ba : "<missing>"_ba);
        QTEST(rig.entries(), "entries");
    }

    // A pattern edited during the run into such a name stops the run before
    // that number is signed.
    void patternMadeTemporaryDuringTheRun() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job,
                         [&rig] { rig.settings.pattern = u"Sealmill@SERIAL@.tmp"_s; });
        const PressOutcome outcome = rig.run();
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(outcome.message, u"Cannot create file "_s + rig.out(u"Sealmill2.tmp"_s));
        QCOMPARE(outcome.details,
                 u"The file name pattern Sealmill@SERIAL@.tmp makes names (Sealmill2.tmp) that the "
                 "press uses for its own temporary files; choose another pattern"_s);
        QCOMPARE(rig.entries(), QStringList{u"out1.asc"_s});
    }
};

QTEST_GUILESS_MAIN(TestOutputNames)
#include "tst_outputnames.moc"
