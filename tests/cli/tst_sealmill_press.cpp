// sealmill-press through the real executable.
#include "fifofeeder.h"
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

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// A working folder with a template and a pass phrase file; relative paths keep
// the output directory text short.
struct Workspace {
    QTemporaryDir dir;
    Workspace() {
        QDir::setCurrent(dir.path());
        QDir().mkdir(QStringLiteral("out"));
        write(QStringLiteral("offer.txt"), "Offer @SERIAL@ and @SERIAL@\r\nplain\r\n");
        write(QStringLiteral("pass.txt"), "my secret phrase\nsecond line\n");
        qputenv("FAKESIGNER_LOG", QFile::encodeName(dir.filePath(QStringLiteral("calls.log"))));
        qputenv("FAKESIGNER_COUNTER", QFile::encodeName(dir.filePath(QStringLiteral("n"))));
    }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    Workspace(Workspace&&) = delete;
    Workspace& operator=(Workspace&&) = delete;
    ~Workspace() {
        for (const char* name :
             {"FAKESIGNER_EXIT", "FAKESIGNER_FAIL_AT", "FAKESIGNER_SLEEP_MS", "FAKESIGNER_PRINT"}) {
            qunsetenv(name);
        }
        QDir::setCurrent(QDir::tempPath());
    }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    [[nodiscard]] QStringList outputs() const {
        return QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files, QDir::Name);
    }
    [[nodiscard]] QList<QStringList> calls() const {
        QFile log(dir.filePath(QStringLiteral("calls.log")));
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
};

QStringList args(const QString& from, const QString& to, const QStringList& more = {}) {
    return QStringList{u"--template"_qs,
                       u"offer.txt"_qs,
                       u"--from"_qs,
                       from,
                       u"--to"_qs,
                       to,
                       u"--key"_qs,
                       u"Ann Key"_qs,
                       u"--signer"_qs,
                       QStringLiteral(SEALMILL_FAKE_SIGNER),
                       u"--output"_qs,
                       u"out"_qs,
                       u"--passphrase-file"_qs,
                       u"pass.txt"_qs} +
           more;
}

Run press(const QStringList& arguments, QProcess* process = nullptr) {
    QProcess own;
    QProcess& p = process != nullptr ? *process : own;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(QStringLiteral(SEALMILL_PRESS), arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace

class TestSealmillPress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Exit status and message per kind of stop; nothing later is signed.
    void stops_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("signerExit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("calls");
        QTest::newRow("no template")
            << args(u"1"_qs, u"3"_qs).mid(2) << QByteArray() << 2 << "missing --template" << 0;
        QTest::newRow("from above to")
            << args(u"5"_qs, u"4"_qs) << QByteArray() << 2 << "1 <= --from <= --to" << 0;
        QTest::newRow("not a number") << args(u"12a"_qs, u"20"_qs) << QByteArray() << 2
                                      << "'12a' is not a valid integer value" << 0;
        QTest::newRow("output is a file")
            << args(u"1"_qs, u"2"_qs, {u"--output"_qs, u"offer.txt"_qs}) << QByteArray() << 3
            << "offer.txt is not a directory" << 0;
        QTest::newRow("output is empty")
            << args(u"1"_qs, u"2"_qs, {u"--output"_qs, QString()}) << QByteArray() << 3
            << "the output directory is empty" << 0;
        QTest::newRow("template endless, no text")
            << args(u"1"_qs, u"2"_qs, {u"--template"_qs, u"/dev/zero"_qs}) << QByteArray() << 6
            << "/dev/zero is not a text file." << 0;
        QTest::newRow("pass phrase endless")
            << args(u"1"_qs, u"2"_qs, {u"--passphrase-file"_qs, u"/dev/zero"_qs}) << QByteArray()
            << 2 << "the pass phrase is longer than 4096 bytes" << 0;
        QTest::newRow("output exists") << args(u"1"_qs, u"5"_qs) << QByteArray() << 4
                                       << "out/Sealmilled-file-3.txt already exists!\n"
                                          "Overwrite not supported"
                                       << 2;
        QTest::newRow("signer fails") << args(u"1"_qs, u"4"_qs) << QByteArray("11") << 5
                                      << "Error 11 occured:\nNONEXIST_KEY_ERROR\n"
                                         "  key not found"
                                      << 2;
    }
    void stops() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, signerExit);
        Workspace ws;
        ws.write(QStringLiteral("out/Sealmilled-file-3.txt"), "keep me");
        if (!signerExit.isEmpty()) {
            qputenv("FAKESIGNER_EXIT", signerExit);
            qputenv("FAKESIGNER_FAIL_AT", "2");
            qputenv("FAKESIGNER_PRINT", "key not found");
        }
        const Run run = press(arguments);
        QTEST(run.status, "status");
        QFETCH(QString, message);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QTEST(static_cast<int>(ws.calls().size()), "calls");
        QVERIFY(!ws.outputs().join(u' ').contains(u".tmp"_qs));
        QFile kept(ws.dir.filePath(QStringLiteral("out/Sealmilled-file-3.txt")));
        QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "keep me");
    }

    // Plain progress lines off a terminal; the pass phrase's first line is one
    // argument; from a file or a descriptor; the template through a pipe.
    void pressesEveryNumber() {
        Workspace ws;
        const Run run = press(args(u"8"_qs, u"9"_qs));
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.contains(u"1 of 2 processed\n2 of 2 processed\nThe Sealmill has run!"_qs));
        QCOMPARE(ws.outputs(),
                 (QStringList{u"Sealmilled-file-8.txt"_qs, u"Sealmilled-file-9.txt"_qs}));
        QCOMPARE(ws.calls().first(),
                 (QStringList{u"-sta"_qs, u"out/Sealmill8.tmp"_qs, u"-u"_qs, u"Ann Key"_qs,
                              u"-o"_qs, u"out/Sealmill8.signed.tmp"_qs, u"-z"_qs,
                              u"my secret phrase"_qs, u"+BATCHMODE"_qs}));

        QStringList viaFd = args(u"10"_qs, u"10"_qs, {u"--quiet"_qs});
        viaFd.replace(viaFd.indexOf(u"--passphrase-file"_qs), u"--passphrase-fd"_qs);
        viaFd.replace(viaFd.indexOf(u"pass.txt"_qs), u"3"_qs);
        ws.write(QStringLiteral("fd.txt"), "through fd three\n");
        const QByteArray fdFile = QFile::encodeName(ws.dir.filePath(QStringLiteral("fd.txt")));
        QProcess process;
        process.setChildProcessModifier(
            [fdFile] { ::dup2(::open(fdFile.constData(), O_RDONLY), 3); });
        const Run quiet = press(viaFd, &process);
        QCOMPARE(quiet.status, 0);
        QCOMPARE(quiet.err, QString());
        QCOMPARE(ws.calls().last().at(7), u"through fd three"_qs);

        const FifoFeeder pipe(ws.dir.filePath(u"piped"_qs), "Piped @SERIAL@\r\n");
        QStringList piped = args(u"11"_qs, u"11"_qs);
        piped.replace(piped.indexOf(u"offer.txt"_qs), u"piped"_qs);
        QCOMPARE(press(piped).status, 0);
        QFile signedCopy(ws.dir.filePath(u"out/Sealmilled-file-11.txt"_qs));
        QVERIFY(signedCopy.open(QIODevice::ReadOnly) && signedCopy.readAll().contains("Piped 11"));
    }

    // The pass phrase reaches the signer as its argument only: neither in the
    // environment it inherits nor through a descriptor left open, and the
    // press's own environment no longer shows it. A parent that ignores
    // SIGCHLD changes nothing.
    void passphraseGoesNowhereElse_data() {
        QTest::addColumn<QString>("source");
        QTest::newRow("variable") << u"SEALMILL_PASSPHRASE"_qs;
        QTest::newRow("descriptor") << u"--passphrase-fd"_qs;
    }
    void passphraseGoesNowhereElse() {
        QFETCH(QString, source);
        Workspace ws;
        ws.write(QStringLiteral("signer.sh"),
                 "#!/bin/sh\nenv > env.txt\ntr '\\0' '\\n' < /proc/$PPID/environ > press-env.txt\n"
                 "cat <&3 > fd3.txt 2>/dev/null\necho \"$8\" >> arg.txt\ncp \"$2\" \"$6\"\n");
        QFile::setPermissions(ws.dir.filePath(QStringLiteral("signer.sh")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ws.write(QStringLiteral("fd.txt"), "the secret\nrest of the file\n");
        QStringList arguments = args(u"1"_qs, u"2"_qs).mid(0, 12);
        arguments.replace(9, ws.dir.filePath(QStringLiteral("signer.sh")));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const bool viaFd = source == u"--passphrase-fd";
        if (viaFd) {
            arguments << source << u"3"_qs;
        } else {
            env.insert(source, u"the secret"_qs);
        }
        process.setProcessEnvironment(env);
        const QByteArray fdFile = QFile::encodeName(ws.dir.filePath(QStringLiteral("fd.txt")));
        process.setChildProcessModifier([fdFile, viaFd] {
            if (viaFd) {
                ::dup2(::open(fdFile.constData(), O_RDONLY), 3);
            }
            ::signal(SIGCHLD, SIG_IGN);
        });
        const Run run = press(arguments, &process);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const auto read = [&ws](const char* name) {
            QFile file(ws.dir.filePath(QLatin1String(name)));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
        };
        QCOMPARE(read("arg.txt"), QByteArray("the secret\nthe secret\n"));
        QVERIFY(read("env.txt").contains("FAKESIGNER_LOG="));
        QVERIFY(read("press-env.txt").contains("FAKESIGNER_LOG="));
        QVERIFY(!read("env.txt").contains("the secret"));
        QVERIFY(!read("press-env.txt").contains("the secret"));
        if (viaFd) {
            QCOMPARE(read("fd3.txt"), QByteArray("<missing>"));  // no descriptor 3 to read from
        }
    }

    void dryRunSignsNothing() {
        Workspace ws;
        ws.write(QStringLiteral("out/2_copy.txt"), "x");
        const Run run =
            press(args(u"1"_qs, u"3"_qs, {u"--name"_qs, u"@SERIAL@ copy.txt"_qs, u"--dry-run"_qs}));
        QCOMPARE(run.status, 4);
        QCOMPARE(run.out,
                 u"new     out/1_copy.txt\nexists  out/2_copy.txt\nnew     out/3_copy.txt\n"_qs);
        QVERIFY(ws.calls().isEmpty());
    }

    // A first SIGINT lets the running signer finish its number and starts no
    // other; a second one, or a SIGTERM, stops a hung signer at once. Either
    // way nothing but whole outputs stays behind.
    void signalsCancel_data() {
        QTest::addColumn<QList<int>>("signals");
        QTest::addColumn<QByteArray>("sleep");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGINT") << QList<int>{SIGINT} << QByteArray("400") << 130;
        QTest::newRow("SIGINT twice, signer hung")
            << QList<int>{SIGINT, SIGINT} << QByteArray("60000") << 130;
        QTest::newRow("SIGTERM, signer hung") << QList<int>{SIGTERM} << QByteArray("60000") << 143;
    }
    void signalsCancel() {
        QFETCH(QList<int>, signals);
        QFETCH(QByteArray, sleep);
        Workspace ws;
        qputenv("FAKESIGNER_SLEEP_MS", sleep);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(SEALMILL_PRESS), args(u"1"_qs, u"30"_qs));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.dir.filePath(u"out/Sealmill1.tmp"_qs)), 20000);
        for (const int signal : signals) {
            ::kill(static_cast<pid_t>(process.processId()), signal);
            QTest::qWait(100);
        }
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));
        QTEST(process.exitCode(), "status");
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(u"Cancelled: %1 of 30 numbers pressed."_qs.arg(ws.outputs().size())),
                 qPrintable(err));
        QCOMPARE(ws.outputs().size(), ws.calls().size());  // a hung signer never logs
        QVERIFY(ws.outputs().size() < 30);
        QVERIFY(!ws.outputs().join(u' ').contains(u".tmp"_qs));
    }

    // The built-in signer with a key exported to a file: a wrong pass phrase
    // stops before anything is written, the right one signs what gpg accepts.
    void builtinSignerWithKeyFile() {
        if (GnupgHome::gpgProgram().isEmpty()) {
            QSKIP("gpg is needed (./dev installs it)");
        }
        GnupgHome home;
        QVERIFY2(home.isReady(), qPrintable(home.error()));
        Workspace ws;
        ws.write(QStringLiteral("key.asc"), home.exportedSecretKey(home.fingerprint(), true));
        QStringList arguments = args(u"1"_qs, u"2"_qs).mid(0, 6);
        arguments << u"--key-file"_qs << u"key.asc"_qs << u"--output"_qs << u"out"_qs
                  << u"--passphrase-file"_qs << u"pass.txt"_qs;
        const Run wrong = press(arguments);
        QCOMPARE(wrong.status, 5);
        QVERIFY2(wrong.err.contains(u"Wrong pass phrase"_qs), qPrintable(wrong.err));
        QVERIFY(ws.outputs().isEmpty());
        ws.write(QStringLiteral("pass.txt"), GnupgHome::passPhrase().toUtf8() + '\n');
        const Run run = press(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        for (int n = 1; n <= 2; ++n) {
            const QString file = ws.dir.filePath(u"out/Sealmilled-file-%1.txt"_qs.arg(n));
            QCOMPARE(home.goodSignatureBy(file), home.fingerprint());
            QVERIFY(home.signedText(file).startsWith("Offer " + QByteArray::number(n) +
                                                     " and @SERIAL@\r\nplain"));
        }
    }

    // Bytes that are not UTF-8 in the key, the name pattern and the pass
    // phrase reach the signer and the file system unchanged.
    void bytesPassThrough() {
        Workspace ws;
        ws.write(QStringLiteral("pass.txt"), "p\xe4ss\n");
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        QStringList arguments = args(u"1"_qs, u"1"_qs);
        arguments.replace(arguments.indexOf(u"Ann Key"_qs), u"$(printf 'k\\344y')"_qs);
        arguments << u"--name"_qs << u"$(printf 'n\\351@SERIAL@')"_qs;
        process.start(u"/bin/sh"_qs, {u"-c"_qs, u"exec \"$0\" "_qs + arguments.join(u' '),
                                      QStringLiteral(SEALMILL_PRESS)});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QFile log(ws.dir.filePath(u"calls.log"_qs));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArrayList call = log.readAll().chopped(1).split('\x1f');
        QCOMPARE(call.value(3), QByteArray("k\xe4y"));
        QCOMPARE(call.value(7), QByteArray("p\xe4ss"));
        const QByteArray output = QFile::encodeName(ws.dir.path()) +
                                  "/out/n\xe9"
                                  "1";
        QVERIFY(::access(output.constData(), F_OK) == 0);
    }
};

QTEST_GUILESS_MAIN(TestSealmillPress)
#include "tst_sealmill_press.moc"
