// sealmill-press through the real executable, and what it prints.
#include "presscommand.h"
#include "pressrig.h"
#include "progressmeter.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// A working folder with a template and a pass phrase file, where the signer
// stand-in logs its calls; relative paths keep the output directory text short.
struct Workspace {
    QTemporaryDir dir;
    FakeSignerSettings signer;
    explicit Workspace(const QByteArray& signerSettings = {})
        : signer("LOG=" + QFile::encodeName(dir.filePath(u"calls.log"_s)) +
                 ";COUNTER=" + QFile::encodeName(dir.filePath(u"n"_s)) + ';' + signerSettings) {
        QDir::setCurrent(dir.path());
        QDir().mkdir(u"out"_s);
        write(u"offer.txt"_s, "Offer @SERIAL@ and @SERIAL@\r\nplain\r\n");
        write(u"pass.txt"_s, "my secret phrase\nsecond line\n");
    }
    Q_DISABLE_COPY_MOVE(Workspace)
    ~Workspace() { QDir::setCurrent(QDir::tempPath()); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    [[nodiscard]] QStringList outputs() const {
        return QDir(dir.filePath(u"out"_s)).entryList(QDir::Files, QDir::Name);
    }
    // The arguments of each call of the signer.
    [[nodiscard]] QList<QByteArrayList> calls() const {
        QList<QByteArrayList> calls;
        for (const QByteArray& line : contents(dir.filePath(u"calls.log"_s)).split('\n')) {
            if (!line.isEmpty() && line != "<missing>") {
                calls.append(line.split('\x1f'));
            }
        }
        return calls;
    }
};

QStringList args(const QString& from, const QString& to, const QStringList& more = {}) {
    return QStringList{u"--template"_s, u"offer.txt"_s, u"--from"_s, from, u"--to"_s, to} +
           QStringLiteral("--key|Ann Key|--signer|" SEALMILL_FAKE_SIGNER
                          "|--output|out|--passphrase-file|pass.txt")
               .split(u'|') +
           more;
}

// Runs sealmill-press; `input`, when given, comes through a pipe on its standard input.
Run press(const QStringList& arguments, QProcess* process = nullptr, const QByteArray& input = {}) {
    QProcess own;
    QProcess& p = process != nullptr ? *process : own;
    if (input.isNull()) {
        p.setStandardInputFile(QProcess::nullDevice());
    }
    p.start(QStringLiteral(SEALMILL_PRESS), arguments);
    if (!input.isNull()) {
        p.write(input);
        p.closeWriteChannel();
    }
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
        QTest::addColumn<QByteArray>("signer");  // the stand-in's settings
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("calls");
        QTest::newRow("no template")
            << args(u"1"_s, u"3"_s).mid(2) << QByteArray() << 2 << "missing --template" << 0;
        QTest::newRow("from above to")
            << args(u"5"_s, u"4"_s) << QByteArray() << 2 << "1 <= --from <= --to" << 0;
        QTest::newRow("not a number") << args(u"12a"_s, u"20"_s) << QByteArray() << 2
                                      << "'12a' is not a valid integer value" << 0;
        QTest::newRow("output is a file")
            << args(u"1"_s, u"2"_s, {u"--output"_s, u"offer.txt"_s}) << QByteArray() << 3
            << "offer.txt is not a directory" << 0;
        QTest::newRow("template endless, no text")
            << args(u"1"_s, u"2"_s, {u"--template"_s, u"/dev/zero"_s}) << QByteArray() << 6
            << "/dev/zero is not a text file." << 0;
        QTest::newRow("pass phrase endless")
            << args(u"1"_s, u"2"_s, {u"--passphrase-file"_s, u"/dev/zero"_s}) << QByteArray() << 2
            << "the pass phrase is longer than 4096 bytes" << 0;
        QTest::newRow("output exists") << args(u"1"_s, u"5"_s) << QByteArray() << 4
                                       << "out/Sealmilled-file-3.txt already exists!\n"
                                          "Overwrite not supported"
                                       << 2;
        QTest::newRow("signer fails")
            << args(u"1"_s, u"4"_s) << QByteArray("FAIL_AT=2;EXIT=11;PRINT=key not found") << 5
            << "Error 11 occured:\nNONEXIST_KEY_ERROR\n  key not found" << 2;
        QTest::newRow("built-in signer, no key file")
            << args(u"1"_s, u"2"_s).mid(0, 6) + QStringList{u"--key-file"_s, u"none.asc"_s,
                                                            u"--passphrase-file"_s, u"pass.txt"_s}
            << QByteArray() << 5 << "Cannot read key file none.asc" << 0;
    }
    void stops() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, signer);
        QFETCH(QString, message);
        Workspace ws(signer);
        ws.write(u"out/Sealmilled-file-3.txt"_s, "keep me");
        const Run run = press(arguments);
        QTEST(run.status, "status");
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QTEST(static_cast<int>(ws.calls().size()), "calls");
        QCOMPARE(ws.outputs().filter(u".tmp"_s), QStringList());
        QCOMPARE(contents(ws.dir.filePath(u"out/Sealmilled-file-3.txt"_s)), "keep me");
    }

    // Plain progress lines off a terminal, none when quiet; the first line of
    // the pass phrase from a file or a descriptor; the template through a pipe.
    void pressesEveryNumber() {
        Workspace ws;
        const Run run = press(args(u"8"_s, u"9"_s));
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.contains(u"1 of 2 processed\n2 of 2 processed\nThe Sealmill has run!"_s));
        QCOMPARE(ws.outputs(),
                 (QStringList{u"Sealmilled-file-8.txt"_s, u"Sealmilled-file-9.txt"_s}));
        QCOMPARE(ws.calls().first().at(7), "my secret phrase");

        QStringList viaFd =
            args(u"10"_s, u"10"_s, {u"--quiet"_s, u"--template"_s, u"/dev/stdin"_s});
        viaFd.replace(viaFd.indexOf(u"--passphrase-file"_s), u"--passphrase-fd"_s);
        viaFd.replace(viaFd.indexOf(u"pass.txt"_s), u"3"_s);
        ws.write(u"fd.txt"_s, "through fd three\n");
        const QByteArray fdFile = QFile::encodeName(ws.dir.filePath(u"fd.txt"_s));
        QProcess process;
        process.setChildProcessModifier(
            [fdFile] { ::dup2(::open(fdFile.constData(), O_RDONLY), 3); });
        const Run quiet = press(viaFd, &process, "Piped @SERIAL@\r\n");
        QCOMPARE(quiet.status, 0);
        QCOMPARE(quiet.err, QString());
        QCOMPARE(ws.calls().last().at(7), "through fd three");
        QVERIFY(contents(ws.dir.filePath(u"out/Sealmilled-file-10.txt"_s)).contains("Piped 10"));
    }

    // The pass phrase reaches the signer as its argument only: neither in the
    // environment it inherits nor through a descriptor left open, and the
    // press's own environment no longer shows it. A parent that ignores
    // SIGCHLD changes nothing.
    void passphraseGoesNowhereElse_data() {
        QTest::addColumn<bool>("viaFd");
        QTest::newRow("variable") << false;
        QTest::newRow("descriptor") << true;
    }
    void passphraseGoesNowhereElse() {
        QFETCH(bool, viaFd);
        Workspace ws;
        ws.write(u"signer.sh"_s,
                 "#!/bin/sh\nenv > env.txt\ntr '\\0' '\\n' < /proc/$PPID/environ > press-env.txt\n"
                 "cat <&3 > fd3.txt 2>/dev/null\necho \"$8\" >> arg.txt\ncp \"$2\" \"$6\"\n");
        QFile::setPermissions(ws.dir.filePath(u"signer.sh"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ws.write(u"fd.txt"_s, "the secret\nrest of the file\n");
        QStringList arguments = args(u"1"_s, u"2"_s).mid(0, 12);
        arguments.replace(9, ws.dir.filePath(u"signer.sh"_s));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (viaFd) {
            arguments << u"--passphrase-fd"_s << u"3"_s;
        } else {
            env.insert(u"SEALMILL_PASSPHRASE"_s, u"the secret"_s);
        }
        process.setProcessEnvironment(env);
        const QByteArray fdFile = QFile::encodeName(ws.dir.filePath(u"fd.txt"_s));
        process.setChildProcessModifier([fdFile, viaFd] {
            if (viaFd) {
                ::dup2(::open(fdFile.constData(), O_RDONLY), 3);
            }
            ::signal(SIGCHLD, SIG_IGN);
        });
        const Run run = press(arguments, &process);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(contents(u"arg.txt"_s), "the secret\nthe secret\n");
        QVERIFY(contents(u"env.txt"_s).contains("FAKESIGNER_LOG="));
        QVERIFY(contents(u"press-env.txt"_s).contains("FAKESIGNER_LOG="));
        QVERIFY(!contents(u"env.txt"_s).contains("the secret"));
        QVERIFY(!contents(u"press-env.txt"_s).contains("the secret"));
        QVERIFY(!viaFd || contents(u"fd3.txt"_s) == "<missing>");  // no descriptor 3 to read
    }

    void dryRunSignsNothing() {
        Workspace ws;
        ws.write(u"out/2_copy.txt"_s, "x");
        const Run run =
            press(args(u"1"_s, u"3"_s, {u"--name"_s, u"@SERIAL@ copy.txt"_s, u"--dry-run"_s}));
        QCOMPARE(run.status, 4);
        QCOMPARE(run.out,
                 u"new     out/1_copy.txt\nexists  out/2_copy.txt\nnew     out/3_copy.txt\n"_s);
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
        Workspace ws("SLEEP_MS=" + sleep);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(SEALMILL_PRESS), args(u"1"_s, u"30"_s));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.dir.filePath(u"out/Sealmill1.tmp"_s)), 20000);
        for (const int signal : signals) {
            ::kill(static_cast<pid_t>(process.processId()), signal);
            QTest::qWait(100);
        }
        QVERIFY(process.state() == QProcess::NotRunning || process.waitForFinished(10000));
        QTEST(process.exitCode(), "status");
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(err.contains(u"Cancelled: %1 of 30 numbers pressed."_s.arg(ws.outputs().size())),
                 qPrintable(err));
        QCOMPARE(ws.outputs().size(), ws.calls().size());  // a hung signer never logs
        QVERIFY(ws.outputs().size() < 30);
        QCOMPARE(ws.outputs().filter(u".tmp"_s), QStringList());
    }

    // Bytes that are not UTF-8 in the key, the name pattern and the pass
    // phrase reach the signer and the file system unchanged.
    void bytesPassThrough() {
        Workspace ws;
        ws.write(u"pass.txt"_s, "p\xe4ss\n");
        QStringList arguments = args(u"1"_s, u"1"_s);
        arguments.replace(arguments.indexOf(u"Ann Key"_s), u"$(printf 'k\\344y')"_s);
        arguments << u"--name"_s << u"$(printf 'n\\351@SERIAL@')"_s;
        QProcess process;
        process.start(u"/bin/sh"_s, {u"-c"_s, u"exec \"$0\" "_s + arguments.join(u' '),
                                     QStringLiteral(SEALMILL_PRESS)});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(ws.calls().value(0).value(3), "k\xe4y");
        QCOMPARE(ws.calls().value(0).value(7), "p\xe4ss");
        const QByteArray output = QFile::encodeName(ws.dir.path()) +
                                  "/out/n\xe9"
                                  "1";
        QVERIFY(::access(output.constData(), F_OK) == 0);
        ::unlink(output.constData());  // a name QTemporaryDir cannot remove
    }

    void progressAndErrorTexts() {
        // 10 of 40 in 5 s: 2 a second, 30 left, 15 s; a quarter of the bar filled.
        const QString bar = ProgressMeter::barLine(25, u"10 of 40 processed"_s, 10, 40, 5000, 80);
        QVERIFY2(bar.endsWith(u"25%  10 of 40 processed  2.0/s  0:15 left"_s), qPrintable(bar));
        QCOMPARE(bar.count(u'#'), (bar.indexOf(u']') - 1) / 4);
        // A signer's escape sequences are shown, not obeyed.
        const QString error = errorText(u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s,
                                        u"gpg: no key\x1b[2J\r\nnext\tline\r\n"_s);
        QVERIFY2(error.endsWith(u"Error 11 occured:\nNONEXIST_KEY_ERROR\n  gpg: no key\\x1b[2J\n"
                                u"  next\tline\n"_s),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestSealmillPress)
#include "tst_sealmill_press.moc"
