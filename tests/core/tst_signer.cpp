#include "pressfakes.h"
#include "signer.h"
#include "signerprocess.h"

#include <sys/wait.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace sealmill;
using Ending = SignerOutcome::Ending;

namespace {

// runSigner as the program uses it, and the QProcess launch on its own where
// runSigner takes another way.
using Launch = SignerOutcome (*)(const SignerRequest&, const std::function<void()>&);
SignerOutcome throughQProcess(const SignerRequest& request, const std::function<void()>& wait) {
    return runSignerWithQProcess(request.program, signerArguments(request), wait);
}
const QList<std::pair<const char*, Launch>> kLaunches{{"runSigner", &runSigner},
                                                      {"QProcess", &throughQProcess}};

}  // namespace
Q_DECLARE_METATYPE(Launch)

class TestSigner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsTheSigner_data() {
        QTest::addColumn<Launch>("launch");
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // empty: success
        const auto row = [](const char* name, const QByteArray& setting, Ending ending, int code,
                            const QString& message = {}) {
            for (const auto& [launchName, launch] : kLaunches) {
                QTest::addRow("%s: %s", launchName, name)
                    << launch << setting << ending << code << message;
            }
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
        QFETCH(Launch, launch);
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
        const SignerOutcome outcome = launch(r, [&waits] { ++waits; });
        QCOMPARE(outcome.ending, ending);
        QCOMPARE(outcome.exitCode, code);
        QCOMPARE(signerFailureMessage(outcome).value_or(QString()), message);
        QVERIFY(outcome.outputTail.size() <= 8192);
        QVERIFY(!setting.startsWith("READ_STDIN") || outcome.outputTail.startsWith("stdin:0\n"));
        QVERIFY(!setting.startsWith("SLEEP_MS") || waits > 0);
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);  // no zombie left
        QFile log(dir.filePath(u"log"_qs));
        const QStringList args{u"-sta"_qs, work,     u"-u"_qs,     u"k \"q\""_qs,   u"-o"_qs,
                               out,        u"-z"_qs, u"p -o x"_qs, u"+BATCHMODE"_qs};
        QCOMPARE(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray(),
                 code == -1 ? QByteArray() : args.join(u'\x1f').toLocal8Bit() + '\n');
    }

    // The signer runs where the caller stands, with its blocked signals (the
    // command line blocks SIGINT so that only it decides on a cancel), sees
    // none of the launch's own descriptors, and is done with once it exits,
    // even while a process it started still holds its output pipe.
    void startsInTheCallersContext_data() {
        QTest::addColumn<Launch>("launch");
        for (const auto& [name, launch] : kLaunches) {
            QTest::newRow(name) << launch;
        }
    }
    void startsInTheCallersContext() {
        QFETCH(Launch, launch);
        QTemporaryDir dir;
        const QString release = dir.filePath(u"release"_qs);
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        qputenv("FAKESIGNER_REPORT", release.toLocal8Bit());
        sigset_t blocked;
        sigset_t old;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigprocmask(SIG_BLOCK, &blocked, &old);
        const SignerOutcome outcome =
            launch({QStringLiteral(SEALMILL_FAKE_SIGNER), dir.filePath(u"w"_qs), u"k"_qs,
                    dir.filePath(u"o"_qs), u"p"_qs},
                   {});
        sigprocmask(SIG_SETMASK, &old, nullptr);
        qunsetenv("FAKESIGNER_REPORT");
        QDir::setCurrent(cwd);
        const bool holderAlive = !QFile::exists(release + u".gone"_qs);
        QFile(release).open(QIODevice::WriteOnly);

        QCOMPARE(outcome.ending, Ending::Exited);
        QVERIFY(holderAlive);
        const QByteArrayList lines = outcome.outputTail.split('\n');
        QVERIFY2(lines.contains("cwd:" + QFileInfo(dir.path()).canonicalFilePath().toLocal8Bit()),
                 outcome.outputTail);
        QVERIFY2(lines.contains("leaked:0"), outcome.outputTail);
        const auto mask = std::find_if(lines.cbegin(), lines.cend(), [](const QByteArray& line) {
            return line.startsWith("sigblk:");
        });
        QVERIFY(mask != lines.cend());
        QVERIFY(mask->mid(7).toULongLong(nullptr, 16) & (1ULL << (SIGINT - 1)));
    }
};

QTEST_GUILESS_MAIN(TestSigner)
#include "tst_signer.moc"
