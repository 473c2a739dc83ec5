#include "fifofeeder.h"
#include "filesizelimit.h"
#include "permissionbits.h"
#include "pressfakes.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <memory>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QString kTemplate = u"Serial @SERIAL@\nfixed\n"_s;
const QByteArray kTheirs = "someone else's file\n";

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList entriesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                               QDir::System);
}

// The one error or failure the run showed, "" if none; fails the test if more.
QString shownMessage(const RecordingSink& sink) {
    const QStringList shown = sink.log.filter(QRegularExpression(u"^(error|failure) "_s));
    return shown.size() == 1 ? shown.first() : shown.join(u"\n--\n"_s);
}

}  // namespace

class TestPressFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Numbers 1..3 through the real process launch; the signer misbehaves on number 2, or
    // someone meddles with the output directory. Nothing lost: one message says what went
    // wrong, the document holds the template, no number after the failing one is signed, the
    // directory holds the outputs made before it and a stranger's file byte for byte, and no
    // temporary file of the program's.
    void faultsDuringARun_data() {
        QTest::addColumn<QString>("mischief");
        QTest::addColumn<QByteArray>("signer");  // its settings for number 2
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QStringList>("outputs");
        const QStringList one{u"out1.asc"_s}, two{u"out1.asc"_s, u"out2.asc"_s};
        const auto signer = [&](const char* name, const QByteArray& settings, const QString& text,
                                const QStringList& outputs) {
            QTest::newRow(name) << QString() << settings << PressResult::SignerFailed << 2 << text
                                << outputs;
        };
        signer("killed", "SIGNAL=9", u"error Error 9 occured:\rterminated by signal 9|"_s, one);
        signer("crashed", "SIGNAL=11", u"error Error 11 occured:\rterminated by signal 11|"_s, one);
        signer("exit 0, nothing written", "NO_OUTPUT=1",
               u"error %1/out2.asc was not written!\rThe signer ended with code 0"_s, one);
        signer("writes, then exit 20", "EXIT=20", u"error Error 20 occured:\rSIGNATURE_ERROR|"_s,
               two);
        signer("megabytes on both streams", "EXIT=23;REPEAT=4096;PRINT=" + QByteArray(1024, 'x'),
               u"error Error 23 occured:\rCOMPRESS_ERROR|xxxx"_s, two);

        const auto meddle = [&](const char* name, PressResult result, int calls,
                                const QString& text, const QStringList& outputs) {
            QTest::newRow(name) << QString::fromLatin1(name) << QByteArray("KEEP_EXISTING=1")
                                << result << calls << text << outputs;
        };
        meddle("output made before the signer starts", PressResult::SignerFailed, 2,
               u"error Error 1 occured:\rINVALID_FILE_ERROR|"_s, two);
        meddle("directory removed before the signer starts", PressResult::SignerFailed, 2,
               u"error %1/out2.asc was not written!"_s, {});
        meddle("directory removed between numbers", PressResult::FileFailed, 1,
               u"failure Cannot create file %1/Sealmill2.tmp"_s, {});
        meddle("read-only directory", PressResult::FileFailed, 0,
               u"failure Cannot create file %1/SealmillTemplate.tmp"_s, {});
        meddle("disk full at the snapshot", PressResult::FileFailed, 0,
               u"failure Stream write error"_s, {});
        meddle("snapshot made a directory", PressResult::FileFailed, 1,
               u"failure Cannot open file %1/SealmillTemplate.tmp"_s, one);
        meddle("snapshot made a FIFO", PressResult::FileFailed, 1,
               u"failure Cannot open file %1/SealmillTemplate.tmp"_s, one);
    }
    void faultsDuringARun() {
        QFETCH(QString, mischief);
        QFETCH(QByteArray, signer);
        QFETCH(QStringList, outputs);
        QFETCH(QString, message);
        PressRig rig(kTemplate);
        rig.settings.serialTo = u"3"_s;
        rig.settings.pgpDir = QStringLiteral(SEALMILL_FAKE_SIGNER);
        const QString snapshot = rig.out(u"SealmillTemplate.tmp"_s);
        std::unique_ptr<FifoFeeder> fifo;
        rig.sink.onPendingEvents = [&] {
            if (mischief == u"directory removed between numbers") {
                QDir(rig.outDir).removeRecursively();
            } else if (mischief.startsWith(u"snapshot")) {
                QFile::remove(snapshot);
                if (mischief.endsWith(u"directory")) {
                    QDir().mkdir(snapshot);
                } else if (mischief.endsWith(u"FIFO")) {
                    fifo = std::make_unique<FifoFeeder>(snapshot, "substituted @SERIAL@\n");
                }
            }
        };
        int calls = 0;
        PressLoop loop(rig.doc, rig.settings, rig.sink,
                       [&](const SignerRequest& request, const std::function<void()>& waiting) {
                           const FakeSignerSettings settings(++calls == 2 ? signer : QByteArray());
                           if (calls == 2 && mischief == u"output made before the signer starts") {
                               QFile theirs(request.outputFile);
                               (void)(theirs.open(QIODevice::WriteOnly) && theirs.write(kTheirs));
                           }
                           if (calls == 2 && mischief.startsWith(u"directory removed before")) {
                               QDir(rig.outDir).removeRecursively();
                           }
                           return runSigner(request, waiting);
                       });
        PressResult result{};
        if (mischief == u"read-only directory") {
            QVERIFY(QFile::setPermissions(rig.outDir, QFile::ReadOwner | QFile::ExeOwner));
            const PermissionBitsApply asUser;
            result = loop.run();
        } else if (mischief == u"disk full at the snapshot") {
            const FileSizeLimit full(10);
            result = loop.run();
        } else {
            result = loop.run();
        }

        QTEST(result, "result");
        QTEST(calls, "calls");
        const QString shown = shownMessage(rig.sink);
        QVERIFY2(shown.startsWith(message.replace(u"%1"_s, rig.outDir)), qPrintable(shown));
        QVERIFY2(shown.size() < 6000, "the signer's output is kept to its last lines");
        QCOMPARE(rig.doc.text(), kTemplate);
        QCOMPARE(filesIn(rig.outDir), outputs);
        QVERIFY(!mischief.startsWith(u"output made") ||
                contents(rig.out(u"out2.asc"_s)) == kTheirs);
        QCOMPARE(rig.sink.tag, 0);
    }

    // What a user can type into the fields or pass on the command line. Nothing lost: the run
    // ends normally or with one message naming the trouble, a value reaches the signer whole as
    // one argument, and nothing lands in the output directory but the outputs asked for; a
    // file already there keeps its bytes.
    void hostileValues_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");  // "": pressed; %1: the output directory
        QTest::addColumn<QStringList>("entries");
        const QString control = u"\t\r\x01\x1b[2J\x7f\u00a0end"_s;
        const QString huge(1024 * 1024, u'k');
        const QString notStarted = u"error Error -1 occured:\rsigner could not be started"_s;
        const QStringList nothing{u"theirs"_s};
        const auto row = [](const char* name, const char* field, const QString& value,
                            const QString& message, const QStringList& entries) {
            QTest::newRow(name) << QString::fromLatin1(field) << value << message << entries;
        };
        const QStringList pressed{u"out1.asc"_s, u"theirs"_s};
        row("control characters in the key", "key", control, {}, pressed);
        row("control characters in the pass phrase", "pass", control, {}, pressed);
        row("control characters in the pattern", "pattern", control + u"@SERIAL@"_s, {},
            {control + u'1', u"theirs"_s});
        row("1 MiB key", "key", huge, notStarted, nothing);
        row("1 MiB pass phrase", "pass", huge, notStarted, nothing);
        row("1 MiB pattern", "pattern", huge + u"@SERIAL@"_s, notStarted, nothing);
        // The system ends an argument at a NUL: the signer would write to "theirs".
        row("NUL in the pattern", "pattern", u"theirs\0@SERIAL@"_s, notStarted, nothing);
        row("subdirectory that does not exist", "pattern", u"sub/@SERIAL@"_s,
            u"error %1/sub/1 was not written!"_s, nothing);
    }
    void hostileValues() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        PressRig rig(kTemplate);
        rig.settings.pgpDir = QStringLiteral(SEALMILL_FAKE_SIGNER);
        (field == u"key" ? rig.settings.pgpId
                         : (field == u"pass" ? rig.settings.pass : rig.settings.runName)) = value;
        QFile theirs(rig.out(u"theirs"_s));
        QVERIFY(theirs.open(QIODevice::WriteOnly) && theirs.write(kTheirs) == kTheirs.size());
        theirs.close();
        const QString log = rig.temp.filePath(u"log"_s);
        const FakeSignerSettings logged("LOG=" + log.toLocal8Bit());
        PressLoop loop(rig.doc, rig.settings, rig.sink);

        QCOMPARE(loop.run(),
                 message.isEmpty() ? PressResult::Succeeded : PressResult::SignerFailed);

        const QString shown = shownMessage(rig.sink);
        QVERIFY2(message.isEmpty() ? shown.isEmpty()
                                   : shown.startsWith(message.replace(u"%1"_s, rig.outDir)),
                 qPrintable(shown.left(200)));
        QTEST(entriesIn(rig.outDir), "entries");
        QCOMPARE(contents(rig.out(u"theirs"_s)), kTheirs);
        QCOMPARE(rig.doc.text(), kTemplate);
        if (message.isEmpty()) {
            const QStringList args =
                QString::fromLocal8Bit(contents(log)).chopped(1).split(u'\x1f');
            QCOMPARE(args.size(), 9);
            const int at = field == u"key" ? 3 : (field == u"pattern" ? 5 : 7);
            QCOMPARE(args.at(at),
                     field == u"pattern" ? rig.out(value.replace(u"@SERIAL@"_s, u"1"_s)) : value);
        }
    }
};

QTEST_GUILESS_MAIN(TestPressFaults)
#include "tst_pressfaults.moc"
