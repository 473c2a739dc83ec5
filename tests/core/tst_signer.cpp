#include "pressfakes.h"
#include "signer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace sealmill;
using Ending = SignerOutcome::Ending;

class TestSigner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsTheSigner_data() {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // empty: success
        const auto row = [](const char* name, const QByteArray& setting, Ending ending, int code,
                            const QString& message = {}) {
            QTest::newRow(name) << setting << ending << code << message;
        };
        row("exit 11", "EXIT=11", Ending::Exited, 11, u"Error 11 occured:\rNONEXIST_KEY_ERROR"_qs);
        row("exit 8, unnamed", "EXIT=8", Ending::Exited, 8, u"Error 8 occured:\r"_qs);
        row("exit 127 is success", "EXIT=127", Ending::Exited, 127);
        row("waits", "SLEEP_MS=300", Ending::Exited, 0);
        row("signal 9", "SIGNAL=9", Ending::Signalled, 9,
            u"Error 9 occured:\rterminated by signal 9"_qs);
        row("pipes drained", "PRINT=" + QByteArray(100000, 'x'), Ending::Exited, 0);
        row("input is empty", "READ_STDIN=1", Ending::Exited, 0);
        row("cannot start", "PROGRAM=/no/PGP", Ending::NotStarted, -1,
            u"Error -1 occured:\rsigner could not be started"_qs);
    }
    void runsTheSigner() {
        QFETCH(QByteArray, setting);
        QFETCH(Ending, ending);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString work = dir.filePath(u"Sealmill5.tmp"_qs), out = dir.filePath(u"out 5"_qs);
        const SignerRequest r{
            setting.startsWith("PROGRAM") ? u"/no/PGP"_qs : QStringLiteral(SEALMILL_FAKE_SIGNER),
            work, u"k \"q\""_qs, out, u"p -o x"_qs};
        const FakeSignerSettings settings(setting +
                                          ";LOG=" + dir.filePath(u"log"_qs).toLocal8Bit());
        int waits = 0;
        const SignerOutcome outcome = runSigner(r, [&waits] { ++waits; });
        QCOMPARE(outcome.ending, ending);
        QCOMPARE(outcome.exitCode, code);
        QCOMPARE(signerFailureMessage(outcome).value_or(QString()), message);
        QVERIFY(outcome.outputTail.size() <= 8192);
        QVERIFY(!setting.startsWith("READ_STDIN") || outcome.outputTail.startsWith("stdin:0\n"));
        QVERIFY(!setting.startsWith("SLEEP_MS") || waits > 0);
        QFile log(dir.filePath(u"log"_qs));
        const QStringList args{u"-sta"_qs, work,     u"-u"_qs,     u"k \"q\""_qs,   u"-o"_qs,
                               out,        u"-z"_qs, u"p -o x"_qs, u"+BATCHMODE"_qs};
        QCOMPARE(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray(),
                 code == -1 ? QByteArray() : args.join(u'\x1f').toLocal8Bit() + '\n');
    }
};

QTEST_GUILESS_MAIN(TestSigner)
#include "tst_signer.moc"
