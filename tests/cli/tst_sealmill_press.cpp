// sealmill-press through the real executable: exit statuses, messages, the
// pass phrase sources, the dry run, cancelling by signal, and the real signer.
#include "gnupghome.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

const QString kTemplate = QStringLiteral("Offer @SERIAL@ and @SERIAL@\r\nplain\r\n");

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

class Workspace {
public:
    Workspace() {
        // Relative paths keep the output directory text short, as users type it.
        QDir::setCurrent(dir_.path());
        QDir().mkdir(QStringLiteral("out"));
        write(QStringLiteral("offer.txt"), kTemplate.toUtf8());
        write(QStringLiteral("pass.txt"), "my secret phrase\n");
        qputenv("FAKESIGNER_LOG", QFile::encodeName(path(QStringLiteral("calls.log"))));
        qputenv("FAKESIGNER_COUNTER", QFile::encodeName(path(QStringLiteral("calls.count"))));
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    Workspace(Workspace&&) = delete;
    Workspace& operator=(Workspace&&) = delete;
    ~Workspace() {
        for (const char* name :
             {"FAKESIGNER_LOG", "FAKESIGNER_COUNTER", "FAKESIGNER_EXIT", "FAKESIGNER_FAIL_AT",
              "FAKESIGNER_SLEEP_MS", "FAKESIGNER_PRINT", "FAKESIGNER_NO_OUTPUT"}) {
            qunsetenv(name);
        }
        QDir::setCurrent(QDir::tempPath());
    }

    [[nodiscard]] QString path(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    [[nodiscard]] QStringList outputs() const {
        return QDir(path(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name);
    }
    [[nodiscard]] QList<QStringList> calls() const {
        QFile log(path(QStringLiteral("calls.log")));
        QList<QStringList> calls;
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : log.readAll().split('\n')) {
                if (!line.isEmpty()) {
                    calls.append(QString::fromUtf8(line).split(QChar(0x1f)));
                }
            }
        }
        return calls;
    }

private:
    QTemporaryDir dir_;
};

QStringList pressArguments(const QString& from, const QString& to) {
    return {QStringLiteral("--template"),
            QStringLiteral("offer.txt"),
            QStringLiteral("--from"),
            from,
            QStringLiteral("--to"),
            to,
            QStringLiteral("--key"),
            QStringLiteral("Ann Key"),
            QStringLiteral("--signer"),
            QStringLiteral(SEALMILL_FAKE_SIGNER),
            QStringLiteral("--output"),
            QStringLiteral("out"),
            QStringLiteral("--passphrase-file"),
            QStringLiteral("pass.txt")};
}

Run press(const QStringList& arguments, QProcess* process = nullptr) {
    QProcess own;
    QProcess& p = process != nullptr ? *process : own;
    p.setProgram(QStringLiteral(SEALMILL_PRESS));
    p.setArguments(arguments);
    if (process == nullptr) {
        p.setStandardInputFile(QProcess::nullDevice());
    }
    p.start();
    if (!p.waitForFinished(120000)) {
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class TestSealmillPress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void usageErrorsExitTwoAndDoNothing_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QStringList good = pressArguments(QStringLiteral("1"), QStringLiteral("3"));
        QStringList noTemplate = good.mid(2);
        QTest::newRow("no template") << noTemplate << "missing --template";
        QTest::newRow("from zero")
            << pressArguments(QStringLiteral("0"), QStringLiteral("3")) << "1 <= --from <= --to";
        QTest::newRow("from above to")
            << pressArguments(QStringLiteral("5"), QStringLiteral("4")) << "1 <= --from <= --to";
        QTest::newRow("not a number") << pressArguments(QStringLiteral("12a"), QStringLiteral("20"))
                                      << "'12a' is not a valid integer value";
        QTest::newRow("two pass phrase sources")
            << (good + QStringList{QStringLiteral("--passphrase-fd"), QStringLiteral("0")})
            << "not both";
        QTest::newRow("unknown option")
            << (good + QStringList{QStringLiteral("--overwrite")}) << "Unknown option";
    }
    void usageErrorsExitTwoAndDoNothing() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        Workspace ws;
        const Run run = press(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(ws.outputs().isEmpty());
        QVERIFY(ws.calls().isEmpty());
    }

    void refusedSettingsExitThree() {
        Workspace ws;
        QStringList longDir = pressArguments(QStringLiteral("1"), QStringLiteral("2"));
        longDir[longDir.indexOf(QStringLiteral("out"))] = QString(35, u'd');
        Run run = press(longDir);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(QStringLiteral("Output path too long! Sorry...")),
                 qPrintable(run.err));

        QStringList noSigner = pressArguments(QStringLiteral("1"), QStringLiteral("2"));
        noSigner[noSigner.indexOf(QStringLiteral(SEALMILL_FAKE_SIGNER))] = ws.path({});
        run = press(noSigner);
        QCOMPARE(run.exitCode, 3);
        QVERIFY2(run.err.contains(QStringLiteral("no signer program")), qPrintable(run.err));
        QVERIFY(ws.outputs().isEmpty());
    }

    void pressesEveryNumberWithPlainProgressLines() {
        Workspace ws;
        const Run run = press(pressArguments(QStringLiteral("8"), QStringLiteral("10")));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(ws.outputs(), (QStringList{QStringLiteral("Sealmilled-file-10.txt"),
                                            QStringLiteral("Sealmilled-file-8.txt"),
                                            QStringLiteral("Sealmilled-file-9.txt")}));
        QVERIFY2(run.err.contains(QStringLiteral("1 of 3 processed\n2 of 3 processed\n"
                                                 "3 of 3 processed\nThe Sealmill has run!")),
                 qPrintable(run.err));
        const auto calls = ws.calls();
        QCOMPARE(calls.size(), 3);
        // The pass phrase's first line, without its break, is one argument.
        QCOMPARE(calls.first(),
                 (QStringList{QStringLiteral("-sta"), QStringLiteral("out/Sealmill8.tmp"),
                              QStringLiteral("-u"), QStringLiteral("Ann Key"), QStringLiteral("-o"),
                              QStringLiteral("out/Sealmilled-file-8.txt"), QStringLiteral("-z"),
                              QStringLiteral("my secret phrase"), QStringLiteral("+BATCHMODE")}));
        QFile signedFile(ws.path(QStringLiteral("out/Sealmilled-file-9.txt")));
        QVERIFY(signedFile.open(QIODevice::ReadOnly));
        QVERIFY(signedFile.readAll().contains("Offer 9 and @SERIAL@\r\nplain\r\n"));

        const Run quiet = press(pressArguments(QStringLiteral("11"), QStringLiteral("11")) +
                                QStringList{QStringLiteral("--quiet")});
        QCOMPARE(quiet.exitCode, 0);
        QCOMPARE(quiet.err, QString());
    }

    void passPhraseFromADescriptor() {
        Workspace ws;
        QStringList arguments = pressArguments(QStringLiteral("1"), QStringLiteral("1"));
        arguments.replace(arguments.indexOf(QStringLiteral("--passphrase-file")),
                          QStringLiteral("--passphrase-fd"));
        arguments.replace(arguments.indexOf(QStringLiteral("pass.txt")), QStringLiteral("3"));
        ws.write(QStringLiteral("fd.txt"), "through fd three\nsecond line\n");
        const QByteArray fdFile = QFile::encodeName(ws.path(QStringLiteral("fd.txt")));

        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setChildProcessModifier([fdFile] {
            const int fd = ::open(fdFile.constData(), O_RDONLY);  // NOLINT
            ::dup2(fd, 3);
        });
        const Run run = press(arguments, &process);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(ws.calls().size(), 1);
        QCOMPARE(ws.calls().first().at(7), QStringLiteral("through fd three"));
    }

    void existingOutputStopsWithExitFour() {
        Workspace ws;
        ws.write(QStringLiteral("out/Sealmilled-file-3.txt"), "keep me");
        const Run run = press(pressArguments(QStringLiteral("1"), QStringLiteral("5")));
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.err.contains(QStringLiteral(
                     "out/Sealmilled-file-3.txt already exists!\nOverwrite not supported")),
                 qPrintable(run.err));
        QCOMPARE(ws.calls().size(), 2);
        QFile kept(ws.path(QStringLiteral("out/Sealmilled-file-3.txt")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep me"));
        QVERIFY(!ws.outputs().join(u' ').contains(QStringLiteral(".tmp")));
    }

    void signerFailureExitsFiveWithItsWords() {
        Workspace ws;
        qputenv("FAKESIGNER_EXIT", "11");
        qputenv("FAKESIGNER_FAIL_AT", "2");
        qputenv("FAKESIGNER_PRINT", "Key matching expected Key ID not found");
        const Run run = press(pressArguments(QStringLiteral("1"), QStringLiteral("4")));
        QCOMPARE(run.exitCode, 5);
        QVERIFY2(run.err.contains(QStringLiteral("Error 11 occured:\nNONEXIST_KEY_ERROR")),
                 qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("Key matching expected Key ID not found")));
        QCOMPARE(ws.calls().size(), 2);
        QVERIFY(!ws.outputs().join(u' ').contains(QStringLiteral(".tmp")));
    }

    void dryRunListsPathsAndSignsNothing() {
        Workspace ws;
        ws.write(QStringLiteral("out/2_copy.txt"), "x");
        QStringList arguments =
            pressArguments(QStringLiteral("1"), QStringLiteral("3")) +
            QStringList{QStringLiteral("--name"), QStringLiteral("@SERIAL@ copy.txt"),
                        QStringLiteral("--dry-run")};
        const Run run = press(arguments);
        QCOMPARE(run.exitCode, 4);
        QCOMPARE(run.out, QStringLiteral("new     out/1_copy.txt\n"
                                         "exists  out/2_copy.txt\n"
                                         "new     out/3_copy.txt\n"));
        QVERIFY(ws.calls().isEmpty());
        QCOMPARE(ws.outputs(), QStringList{QStringLiteral("2_copy.txt")});
    }

    void signalsCancelBetweenNumbers_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGINT") << SIGINT << 130;
        QTest::newRow("SIGTERM") << SIGTERM << 143;
    }
    void signalsCancelBetweenNumbers() {
        QFETCH(int, signal);
        QFETCH(int, status);
        Workspace ws;
        qputenv("FAKESIGNER_SLEEP_MS", "400");
        QProcess process;
        process.setProgram(QStringLiteral(SEALMILL_PRESS));
        process.setArguments(pressArguments(QStringLiteral("1"), QStringLiteral("30")));
        process.setStandardInputFile(QProcess::nullDevice());
        process.start();
        QVERIFY(process.waitForStarted());
        // Wait until the first signer has been started, then signal mid-signer.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.path(QStringLiteral("calls.log"))), 20000);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), status);

        // The signer that was running finished its file; no further one started.
        const auto calls = ws.calls();
        QVERIFY(!calls.isEmpty());
        QVERIFY(calls.size() < 30);
        QCOMPARE(ws.outputs().size(), calls.size());
        QVERIFY(!ws.outputs().join(u' ').contains(QStringLiteral(".tmp")));
        QVERIFY(!QString::fromUtf8(process.readAllStandardError())
                     .contains(QStringLiteral("The Sealmill has run!")));
    }

    void realSignerEndToEnd() {
        if (GnupgHome::pgpgpgProgram().isEmpty() || GnupgHome::gpgProgram().isEmpty()) {
            QSKIP("pgpgpg and gpg are needed (./dev installs them)");
        }
        GnupgHome home;
        QVERIFY2(home.isReady(), qPrintable(home.error()));
        Workspace ws;
        ws.write(QStringLiteral("pass.txt"), GnupgHome::passPhrase().toUtf8() + '\n');
        QStringList arguments = pressArguments(QStringLiteral("1"), QStringLiteral("3"));
        arguments[arguments.indexOf(QStringLiteral(SEALMILL_FAKE_SIGNER))] =
            GnupgHome::pgpgpgProgram();
        arguments[arguments.indexOf(QStringLiteral("Ann Key"))] = GnupgHome::userId();
        const Run run = press(arguments);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(ws.outputs().size(), 3);
        for (int n = 1; n <= 3; ++n) {
            const QString file = ws.path(QStringLiteral("out/Sealmilled-file-%1.txt").arg(n));
            QCOMPARE(home.goodSignatureBy(file), home.fingerprint());
            QByteArray text = home.signedText(file);
            text.replace("\r\n", "\n");
            QCOMPARE(text, "Offer " + QByteArray::number(n) + " and @SERIAL@\nplain\n");
        }
    }
};

QTEST_GUILESS_MAIN(TestSealmillPress)
#include "tst_sealmill_press.moc"
