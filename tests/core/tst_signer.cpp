#include "signer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using sealmill::SignerOutcome;
using sealmill::SignerRequest;
using namespace Qt::StringLiterals;
using Ending = SignerOutcome::Ending;

namespace {

SignerRequest request(const QTemporaryDir& dir) {
    return {QStringLiteral(SEALMILL_FAKE_SIGNER), dir.filePath(u"Sealmill5.tmp"_s), u"tarvix"_s,
            dir.filePath(u"out 5.txt"_s), u"Morvenk4182"_s};
}

// Runs the stand-in signer with FAKESIGNER_* variables set for this run only.
SignerOutcome runFake(const SignerRequest& r, const QList<std::pair<const char*, QByteArray>>& env,
                      const std::function<void()>& whileWaiting = {}) {
    for (const auto& [name, value] : env) {
        qputenv(name, value);
    }
    const SignerOutcome outcome = sealmill::runSigner(r, whileWaiting);
    for (const auto& entry : env) {
        qunsetenv(entry.first);
    }
    return outcome;
}

}  // namespace

class TestSigner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void argumentsKeepEachValueWhole() {
        const QString longPath = u"/tmp/"_s + QString(300, u'x');
        const SignerRequest r{u"/opt/my pgp/PGP.EXE"_s, longPath, u"key \"with\" quotes"_s,
                              u"/o u t.txt"_s, u"pass -o /etc/x +BATCHMODE"_s};
        QCOMPARE(sealmill::signerArguments(r),
                 QStringList({u"-sta"_s, longPath, u"-u"_s, u"key \"with\" quotes"_s, u"-o"_s,
                              u"/o u t.txt"_s, u"-z"_s, u"pass -o /etc/x +BATCHMODE"_s,
                              u"+BATCHMODE"_s}));
    }

    void failureMessages_data() {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // empty: success
        QTest::newRow("0") << Ending::Exited << 0 << QString();
        QTest::newRow("127") << Ending::Exited << 127 << QString();
        QTest::newRow("8 unnamed") << Ending::Exited << 8 << u"Error 8 occured:\r"_s;
        QTest::newRow("11") << Ending::Exited << 11 << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s;
        QTest::newRow("200") << Ending::Exited << 200 << u"Error 200 occured:\runknown exit code"_s;
        QTest::newRow("not started")
            << Ending::NotStarted << 5 << u"Error -1 occured:\rsigner could not be started"_s;
        QTest::newRow("signal 0 is no success")
            << Ending::Signalled << 0 << u"Error 0 occured:\rterminated by signal 0"_s;
    }
    void failureMessages() {
        QFETCH(Ending, ending);
        QFETCH(int, code);
        QFETCH(QString, message);
        SignerOutcome outcome;
        outcome.ending = ending;
        outcome.exitCode = code;
        QCOMPARE(sealmill::signerFailureMessage(outcome).value_or(QString()), message);
    }

    void runsTheSignerAndPassesItsArguments() {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"log"_s);
        SignerRequest r = request(dir);
        r.passPhrase = u"two words \"quoted\""_s;
        const SignerOutcome outcome =
            runFake(r, {{"FAKESIGNER_LOG", log.toLocal8Bit()}, {"FAKESIGNER_EXIT", "11"}});
        QCOMPARE(outcome.ending, Ending::Exited);
        QCOMPARE(outcome.exitCode, 11);
        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(logFile.readAll()),
                 sealmill::signerArguments(r).join(u'\x1f') + u'\n');
        QVERIFY(QFile::exists(r.outputFile));
    }

    // Killed by a signal, or no program to start: never a success.
    void abnormalEndings_data() {
        QTest::addColumn<QString>("program");  // "": the stand-in
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("code");
#ifndef Q_OS_WIN
        QTest::newRow("signal 9") << QString() << Ending::Signalled << 9;
#endif
        QTest::newRow("no such file") << u"/nonexistent/PGP.EXE"_s << Ending::NotStarted << -1;
        QTest::newRow("a directory") << u"/"_s << Ending::NotStarted << -1;
        QTest::newRow("empty") << u"<none>"_s << Ending::NotStarted << -1;
    }
    void abnormalEndings() {
        QFETCH(QString, program);
        QFETCH(Ending, ending);
        QFETCH(int, code);
        QTemporaryDir dir;
        SignerRequest r = request(dir);
        if (!program.isEmpty()) {
            r.program = program == u"<none>" ? QString() : program;
        }
        const SignerOutcome outcome = runFake(r, {{"FAKESIGNER_SIGNAL", "9"}});
        QCOMPARE(outcome.ending, ending);
        QCOMPARE(outcome.exitCode, code);
        QVERIFY(sealmill::signerFailureMessage(outcome).has_value());
    }

    // About 8 MB on the two channels: only the tail is kept, nothing blocks.
    void largeOutputKeepsOnlyTheTail() {
        QTemporaryDir dir;
        const SignerOutcome outcome =
            runFake(request(dir), {{"FAKESIGNER_PRINT", QByteArray(1000, 'x') + "-end\n"},
                                   {"FAKESIGNER_REPEAT", "4000"}});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(outcome.outputTail.size() > 1000);
        QVERIFY(outcome.outputTail.size() <= 8192);
        QVERIFY(outcome.outputTail.endsWith("-end\n"));
    }

    void standardInputIsEmpty() {
        QTemporaryDir dir;
        QElapsedTimer timer;
        timer.start();
        const SignerOutcome outcome = runFake(request(dir), {{"FAKESIGNER_READ_STDIN", "1"}});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(outcome.outputTail.startsWith("stdin:0\n"));
        QVERIFY(timer.elapsed() < 30000);
    }

    void waitsWithoutTimeLimitAndCallsBack() {
        QTemporaryDir dir;
        int callbacks = 0;
        const SignerOutcome outcome =
            runFake(request(dir), {{"FAKESIGNER_SLEEP_MS", "400"}, {"FAKESIGNER_EXIT", "127"}},
                    [&] { ++callbacks; });
        QCOMPARE(outcome.exitCode, 127);
        QVERIFY(callbacks >= 2);
        QVERIFY(!sealmill::signerFailureMessage(outcome).has_value());
    }
};

QTEST_GUILESS_MAIN(TestSigner)
#include "tst_signer.moc"
