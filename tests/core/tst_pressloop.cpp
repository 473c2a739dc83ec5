#include "pressfakes.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QString kTemplate = u"Serial @SERIAL@\nfixed\n"_s;
constexpr QFile::Permissions kPrivate =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;

// Every early end leaves the sink idle, the flag cleared, the template back and only outputs.
void verifyCleanEnd(const PressRig& rig, const QStringList& outputs) {
    QVERIFY(rig.sink.log.contains(u"idle"_s));
    QVERIFY(rig.sink.log.filter(u"succeeded"_s).isEmpty());
    QCOMPARE(rig.sink.tag, 0);
    QCOMPARE(rig.doc.text(), kTemplate);
    QCOMPARE(filesIn(rig.outDir), outputs);
}

}  // namespace

class TestPressLoop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Only the first placeholder of a line is replaced; temporary files are private and gone.
    void pressesEveryNumberOfTheRange() {
        PressRig rig(u"@SERIAL@ @SERIAL@\nfixed\n"_s);
        rig.settings.serialFrom = u"5"_s;
        rig.settings.serialTo = u"9"_s;
        QVERIFY(QFile::setPermissions(rig.outDir, QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(filesIn(rig.outDir), QStringList({u"out5.asc"_s, u"out6.asc"_s, u"out7.asc"_s,
                                                   u"out8.asc"_s, u"out9.asc"_s}));
        QCOMPARE(rig.sink.positions, QList<int>({20, 40, 60, 80, 100}));
        QCOMPARE(rig.sink.log.first(), u"started"_s);
        QVERIFY(rig.sink.log.contains(u"progress 100 5 of 5 processed"_s));
        QCOMPARE(rig.sink.log.mid(rig.sink.log.size() - 2),
                 QStringList({u"idle"_s, u"succeeded"_s}));
        QCOMPARE(rig.signer.workTexts.at(2), QByteArray("7 @SERIAL@\r\nfixed\r\n"));
        QCOMPARE(rig.signer.workPermissions, QList<QFile::Permissions>(10, kPrivate));
        QCOMPARE(rig.sink.tag, 0);
        QCOMPARE(rig.doc.text(), u"@SERIAL@ @SERIAL@\nfixed\n"_s);
    }

    // Each copy is the document as it stands when its number comes: a line the user
    // changed between two numbers goes into the next copy, then the template comes back.
    // Bytes stay in the file's own encoding.
    void copiesFollowTheDocument() {
        PressRig rig;
        const QString latin1File = rig.temp.filePath(u"latin1.txt"_s);
        QFile file(latin1File);
        QVERIFY(file.open(QIODevice::WriteOnly) &&
                file.write("caf\xe9 @SERIAL@ @SERIAL@\r\n\r\nlast @SERIAL@") > 0);
        file.close();
        rig.doc.loadFromFile(latin1File);
        const QString original = rig.doc.text();
        rig.settings.serialTo = u"3"_s;
        int between = 0;
        rig.sink.onPendingEvents = [&] {
            if (++between == 1) {
                rig.doc.replaceLine(1, u"typed @SERIAL@"_s);
            }
        };
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(rig.signer.workTexts, QList<QByteArray>({"caf\xe9 1 @SERIAL@\r\n\r\nlast 1",
                                                          "caf\xe9 2 @SERIAL@\r\ntyped 2\r\nlast 2",
                                                          "caf\xe9 3 @SERIAL@\r\n\r\nlast 3"}));
        QCOMPARE(rig.doc.text(), original);

        PressRig many(u"n @SERIAL@\n"_s.repeated(40));
        many.settings.serialFrom = many.settings.serialTo = u"7"_s;
        QCOMPARE(many.loop.run(), PressResult::Succeeded);
        QCOMPARE(many.signer.workTexts, QList<QByteArray>({QByteArray("n 7\r\n").repeated(40)}));
    }

    void outputNames_data() {
        QTest::addColumn<QString>("subdir");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::newRow("no placeholder: number in front") << u""_s << u"out.txt"_s << u"7out.txt"_s;
        QTest::newRow("first placeholder only")
            << u""_s << u"a@SERIAL@b@SERIAL@"_s << u"a7b@SERIAL@"_s;
        QTest::newRow("spaces in the name")
            << u""_s << u"my file @SERIAL@.asc"_s << u"my_file_7.asc"_s;
        QTest::newRow("space in the directory") << u"/a b"_s << u"x @SERIAL@"_s << u"x_7"_s;
    }
    void outputNames() {
        QFETCH(QString, subdir);
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        PressRig rig;
        const QString dir = rig.outDir + subdir;
        QVERIFY(QDir().mkpath(dir));
        rig.settings.runDir = dir + u'/';  // a final separator is not doubled
        rig.settings.runName = pattern;
        rig.settings.serialFrom = rig.settings.serialTo = u"7"_s;
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(rig.signer.requests.first().workFile, dir + u"/Sealmill7.tmp"_s);
        QCOMPARE(filesIn(dir), QStringList{name});
    }

    void outputDirectoryOf34CharactersAtMost() {
        PressRig rig;
        const QString dir34 = rig.temp.path() + u'/' + QString(33 - rig.temp.path().size(), u'd');
        QVERIFY(QDir().mkpath(dir34) && QDir().mkpath(dir34 + u'e'));
        rig.settings.runDir = dir34 + u'e';
        QCOMPARE(rig.loop.run(), PressResult::Refused);
        QCOMPARE(rig.sink.log, QStringList{u"error Output path too long! Sorry...|"_s});
        QVERIFY(rig.signer.requests.isEmpty());
        rig.settings.runDir = dir34;
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(filesIn(dir34), QStringList{u"out1.asc"_s});
    }

    // A name a temporary file needs may be taken already: by a file or a link of the user's, or
    // by an output of this very run. The run stops at that number and leaves it as it was.
    void leavesWhatItDidNotCreate_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QString>("linkTo");  // else the user's file holds "mine", or none
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("signedBefore");
        const QString plain = u"out@SERIAL@.asc"_s;
        QTest::newRow("user's file named like a work file")
            << plain << u"Sealmill2.tmp"_s << QString() << QByteArray("mine") << 1;
        QTest::newRow("user's file named like the snapshot")
            << plain << u"SealmillTemplate.tmp"_s << QString() << QByteArray("mine") << 0;
        QTest::newRow("link to a device named like a work file")
            << plain << u"Sealmill2.tmp"_s << u"/dev/null"_s << QByteArray() << 1;
        QTest::newRow("output 1 named like the work file of 11")
            << u"Sealmill1@SERIAL@.tmp"_s << u"Sealmill11.tmp"_s << QString()
            << QByteArray("signed:Serial 1\r\nfixed\r\n") << 10;
    }
    void leavesWhatItDidNotCreate() {
        QFETCH(QString, pattern);
        QFETCH(QString, taken);
        QFETCH(QString, linkTo);
        QFETCH(QByteArray, content);
        QFETCH(int, signedBefore);
        PressRig rig;
        rig.settings.runName = pattern;
        rig.settings.serialTo = u"12"_s;
        QFile file(rig.out(taken));
        if (!linkTo.isEmpty()) {
            QVERIFY(QFile::link(linkTo, file.fileName()));
        } else if (content == "mine") {
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == 4);
            file.close();
        }
        QCOMPARE(rig.loop.run(), PressResult::FileFailed);
        QCOMPARE(rig.signer.requests.size(), signedBefore);
        QCOMPARE(rig.sink.log.filter(u"failure "_s),
                 QStringList{u"failure Cannot create file "_s + rig.out(taken)});
        QCOMPARE(QFileInfo(file).symLinkTarget(), linkTo);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QCOMPARE(rig.doc.text(), kTemplate);
    }

    void runsDoNotNest() {
        PressRig rig;
        rig.settings.serialTo = u"2"_s;
        QList<PressResult> nested;
        rig.sink.onPendingEvents = [&rig, &nested] { nested << rig.loop.run(); };
        QCOMPARE(rig.loop.run(), PressResult::Succeeded);
        QCOMPARE(nested, QList<PressResult>(2, PressResult::AlreadyRunning));
        QCOMPARE(rig.signer.requests.size(), 2);
        QCOMPARE(rig.sink.log.filter(u"started"_s).size(), 1);
    }

    // Over 1..3. An existing output wins over a cancel that came in while the signer before it
    // ran; a cancel after the last number still counts; 0 or 127 without an output file fails.
    void earlyEnds_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<int>("outputs");
        QTest::addColumn<QString>("message");  // part of the one error or failure shown
        const QString exists = u"%1/out2.asc already exists!\rOverwrite not supported|"_s;
        QTest::newRow("next exists") << u"exists"_s << PressResult::OutputExists << 2 << exists;
        QTest::newRow("cancel") << u"cancel"_s << PressResult::Cancelled << 1 << QString();
        QTest::newRow("cancel, next exists")
            << u"exists cancel"_s << PressResult::OutputExists << 2 << exists;
        QTest::newRow("cancel after the last")
            << u"cancel last"_s << PressResult::Cancelled << 3 << QString();
        QTest::newRow("exit 11") << u"exit 11"_s << PressResult::SignerFailed << 1
                                 << u"Error 11 occured:\rNONEXIST_KEY_ERROR|signer said"_s;
        QTest::newRow("0 without output")
            << u"lost 0"_s << PressResult::SignerFailed << 0 << u"was not written!"_s;
        QTest::newRow("127 without output")
            << u"lost 127"_s << PressResult::SignerFailed << 0 << u"code 127"_s;
        QTest::newRow("snapshot removed") << u"remove snapshot"_s << PressResult::FileFailed << 1
                                          << u"failure Cannot open file %1/SealmillTemplate.tmp"_s;
        QTest::newRow("work file blocked") << u"block work file"_s << PressResult::FileFailed << 1
                                           << u"failure Cannot create file %1/Sealmill2.tmp"_s;
    }
    void earlyEnds() {
        QFETCH(QString, how);
        QFETCH(PressResult, result);
        QFETCH(int, outputs);
        QFETCH(QString, message);
        PressRig rig;
        rig.settings.serialTo = u"3"_s;
        if (how.startsWith(u"exists"))
            QVERIFY(QFile(rig.out(u"out2.asc"_s)).open(QIODevice::WriteOnly));
        const int cancelAt = how == u"cancel last" ? 3 : how.contains(u"cancel") ? 1 : 0;
        int round = 0;
        rig.sink.onPendingEvents = [&] { rig.sink.tag = ++round == cancelAt ? -1 : rig.sink.tag; };
        rig.signer.writeOutput = !how.startsWith(u"lost");
        rig.signer.act = [&](const SignerRequest&, SignerOutcome& outcome) {
            if (how.startsWith(u"exit") || how.startsWith(u"lost"))
                outcome.exitCode = how.section(u' ', 1).toInt();
            if (how == u"remove snapshot")
                QFile::remove(rig.out(u"SealmillTemplate.tmp"_s));
            if (how == u"block work file")
                QDir().mkpath(rig.out(u"Sealmill2.tmp"_s));
        };
        QCOMPARE(rig.loop.run(), result);
        QDir(rig.out(u"Sealmill2.tmp"_s)).removeRecursively();
        QCOMPARE(rig.signer.requests.size(), cancelAt == 3 ? 3 : 1);
        const QStringList shown = rig.sink.log.filter(QRegularExpression(u"^(error|failure) "_s));
        QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
        QVERIFY2(shown.join(u'\n').contains(message.replace(u"%1"_s, rig.outDir)),
                 qPrintable(shown.join(u'\n')));
        verifyCleanEnd(rig,
                       QStringList{u"out1.asc"_s, u"out2.asc"_s, u"out3.asc"_s}.mid(0, outputs));
    }
};

QTEST_GUILESS_MAIN(TestPressLoop)
#include "tst_pressloop.moc"
