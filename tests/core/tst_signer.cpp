#include "signer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using sealmill::SignerOutcome;
using sealmill::SignerRequest;

namespace {

// Sets the stand-in's environment for one test and clears it afterwards.
class FakeSignerEnv {
public:
    FakeSignerEnv() = default;
    FakeSignerEnv(const FakeSignerEnv&) = delete;
    FakeSignerEnv& operator=(const FakeSignerEnv&) = delete;
    FakeSignerEnv(FakeSignerEnv&&) = delete;
    FakeSignerEnv& operator=(FakeSignerEnv&&) = delete;
    ~FakeSignerEnv() {
        for (const QByteArray& name : std::as_const(names_)) {
            qunsetenv(name.constData());
        }
    }
    void set(const char* name, const QByteArray& value) {
        qputenv(name, value);
        names_.append(name);
    }

private:
    QByteArrayList names_;
};

SignerRequest request(const QTemporaryDir& dir) {
    return {QStringLiteral(SEALMILL_FAKE_SIGNER), dir.filePath(QStringLiteral("Sealmill5.tmp")),
            QStringLiteral("tarvix"), dir.filePath(QStringLiteral("out 5.txt")),
            QStringLiteral("Morvenk4182")};
}

}  // namespace

class TestSigner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void argumentsKeepEachValueWhole() {
        const QString longPath = QStringLiteral("/tmp/") + QString(300, u'x');
        const SignerRequest r{QStringLiteral("/opt/my pgp/PGP.EXE"), longPath,
                              QStringLiteral("key \"with\" quotes"), QStringLiteral("/o u t.txt"),
                              QStringLiteral("pass -o /etc/x +BATCHMODE")};
        const QStringList expected{
            QStringLiteral("-sta"),      longPath,
            QStringLiteral("-u"),        QStringLiteral("key \"with\" quotes"),
            QStringLiteral("-o"),        QStringLiteral("/o u t.txt"),
            QStringLiteral("-z"),        QStringLiteral("pass -o /etc/x +BATCHMODE"),
            QStringLiteral("+BATCHMODE")};
        QCOMPARE(sealmill::signerArguments(r), expected);
    }

    void exitCodeTable() {
        const QStringList names = sealmill::exitCodeNames();
        QCOMPARE(names.size(), 34);
        QCOMPARE(names.at(0), QStringLiteral("EXIT_OK"));
        QCOMPARE(names.at(23), QStringLiteral("COMPRESS_ERROR"));
        QCOMPARE(names.at(30), QStringLiteral("SIGNATURE_CHECK_ERROR"));
        QCOMPARE(names.at(33), QStringLiteral("DECOMPRESS_ERROR"));
        for (int unnamed : {8, 9, 24, 25, 26, 27, 28, 29}) {
            QVERIFY2(names.at(unnamed).isEmpty(), qPrintable(QString::number(unnamed)));
        }
    }

    void failureMessages_data() {
        QTest::addColumn<int>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // empty: success
        const int exited = int(SignerOutcome::Ending::Exited);
        QTest::newRow("0") << exited << 0 << QString();
        QTest::newRow("127") << exited << 127 << QString();
        QTest::newRow("8 unnamed") << exited << 8 << QStringLiteral("Error 8 occured:\r");
        QTest::newRow("11") << exited << 11
                            << QStringLiteral("Error 11 occured:\rNONEXIST_KEY_ERROR");
        QTest::newRow("1") << exited << 1 << QStringLiteral("Error 1 occured:\rINVALID_FILE_ERROR");
        QTest::newRow("200") << exited << 200
                             << QStringLiteral("Error 200 occured:\runknown exit code");
        QTest::newRow("not started")
            << int(SignerOutcome::Ending::NotStarted) << 5
            << QStringLiteral("Error -1 occured:\rsigner could not be started");
        QTest::newRow("signal 0 is no success")
            << int(SignerOutcome::Ending::Signalled) << 0
            << QStringLiteral("Error 0 occured:\rterminated by signal 0");
        QTest::newRow("signal 9") << int(SignerOutcome::Ending::Signalled) << 9
                                  << QStringLiteral("Error 9 occured:\rterminated by signal 9");
    }
    void failureMessages() {
        QFETCH(int, ending);
        QFETCH(int, code);
        QFETCH(QString, message);
        SignerOutcome outcome;
        outcome.ending = SignerOutcome::Ending(ending);
        outcome.exitCode = code;
        const auto text = sealmill::signerFailureMessage(outcome);
        QCOMPARE(text.has_value(), !message.isEmpty());
        if (text) {
            QCOMPARE(*text, message);
        }
    }

    void runsTheSignerAndPassesItsArguments() {
        QTemporaryDir dir;
        FakeSignerEnv env;
        const QString log = dir.filePath(QStringLiteral("log"));
        env.set("FAKESIGNER_LOG", log.toLocal8Bit());
        env.set("FAKESIGNER_EXIT", "11");
        SignerRequest r = request(dir);
        r.passPhrase = QStringLiteral("two words \"quoted\"");
        int callbacks = 0;
        const SignerOutcome outcome = sealmill::runSigner(r, [&] { ++callbacks; });
        QCOMPARE(outcome.ending, SignerOutcome::Ending::Exited);
        QCOMPARE(outcome.exitCode, 11);
        QFile logFile(log);
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(logFile.readAll()),
                 sealmill::signerArguments(r).join(u'\x1f') + u'\n');
        QVERIFY(QFile::exists(r.outputFile));
    }

    void signalledSignerIsAFailure() {
#ifdef Q_OS_WIN
        QSKIP("no signals on this platform");
#endif
        QTemporaryDir dir;
        FakeSignerEnv env;
        env.set("FAKESIGNER_SIGNAL", "9");
        const SignerOutcome outcome = sealmill::runSigner(request(dir));
        QCOMPARE(outcome.ending, SignerOutcome::Ending::Signalled);
        QCOMPARE(outcome.exitCode, 9);
        QVERIFY(sealmill::signerFailureMessage(outcome).has_value());
    }

    void missingProgramIsNotStarted_data() {
        QTest::addColumn<QString>("program");
        QTest::newRow("no such file") << QStringLiteral("/nonexistent/PGP.EXE");
        QTest::newRow("a directory") << QStringLiteral("/");
        QTest::newRow("empty") << QString();
    }
    void missingProgramIsNotStarted() {
        QFETCH(QString, program);
        QTemporaryDir dir;
        SignerRequest r = request(dir);
        r.program = program;
        const SignerOutcome outcome = sealmill::runSigner(r);
        QCOMPARE(outcome.ending, SignerOutcome::Ending::NotStarted);
        QCOMPARE(outcome.exitCode, -1);
        QVERIFY(sealmill::signerFailureMessage(outcome)->startsWith(u"Error -1 occured:\r"));
    }

    void largeOutputKeepsOnlyTheTail() {
        QTemporaryDir dir;
        FakeSignerEnv env;
        const QByteArray line(1000, 'x');
        env.set("FAKESIGNER_PRINT", line + "-end\n");
        env.set("FAKESIGNER_REPEAT", "4000");  // about 8 MB on the two channels
        const SignerOutcome outcome = sealmill::runSigner(request(dir));
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(outcome.outputTail.size() > 1000);
        QVERIFY(outcome.outputTail.size() <= 8192);
        QVERIFY(outcome.outputTail.endsWith("-end\n"));
    }

    void standardInputIsEmpty() {
        QTemporaryDir dir;
        FakeSignerEnv env;
        env.set("FAKESIGNER_READ_STDIN", "1");
        QElapsedTimer timer;
        timer.start();
        const SignerOutcome outcome = sealmill::runSigner(request(dir));
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(outcome.outputTail.startsWith("stdin:0\n"));
        QVERIFY(timer.elapsed() < 30000);
    }

    void waitsWithoutTimeLimitAndCallsBack() {
        QTemporaryDir dir;
        FakeSignerEnv env;
        env.set("FAKESIGNER_SLEEP_MS", "400");
        env.set("FAKESIGNER_EXIT", "127");
        int callbacks = 0;
        const SignerOutcome outcome = sealmill::runSigner(request(dir), [&] { ++callbacks; });
        QCOMPARE(outcome.exitCode, 127);
        QVERIFY(callbacks >= 2);
        QVERIFY(!sealmill::signerFailureMessage(outcome).has_value());
    }
};

QTEST_GUILESS_MAIN(TestSigner)
#include "tst_signer.moc"
