// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// sealmill-press through the real executable, and what it prints.
#include "pressrig.h"
#include "progressmeter.h"

#include <fcntl.h>
#include <unistd.h>
#include <QtTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int status = -1;
    QString printed;  // on standard output, then standard error
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
        writeFile(u"offer.txt"_s, "Offer @SERIAL@ and @SERIAL@\r\nplain\r\n");
        writeFile(u"pass.txt"_s, "my secret phrase\nsecond line\n");
        writeFile(u"long.txt"_s, QByteArray(4097, 'p'));
    }
    Q_DISABLE_COPY_MOVE(Workspace)
    ~Workspace() { QDir::setCurrent(QDir::tempPath()); }
    [[nodiscard]] QStringList outputs() const {
        return QDir(dir.filePath(u"out"_s)).entryList(QDir::Files, QDir::Name);
    }
    // One line per call of the signer: its arguments, joined by \x1f.
    [[nodiscard]] QByteArrayList calls() const {
        const QByteArray log = contents(dir.filePath(u"calls.log"_s));
        return log == "<missing>" ? QByteArrayList() : log.chopped(1).split('\n');
    }
};

// The arguments for "<from> <to> [more...]": the template, key, signer,
// output and pass phrase file come first, so the more may override them.
QStringList args(const QString& line) {
    const QStringList words = line.split(u' ');
    return QStringList{u"--template"_s, u"offer.txt"_s, u"--from"_s,
                       words.at(0),     u"--to"_s,      words.at(1)} +
           QStringLiteral("--key|Ann Key|--signer|" SEALMILL_FAKE_SIGNER
                          "|--output|out|--passphrase-file|pass.txt")
               .split(u'|') +
           words.mid(2);
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
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

}  // namespace

class TestSealmillPress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Exit status and what is printed per way a run ends; nothing later is
    // signed, and the signer gets the first line of the pass phrase file.
    void stops_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("signer");  // the stand-in's settings
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("calls");
        const auto row = [](const char* name, const QStringList& arguments,
                            const QByteArray& signer, int status, const char* message, int calls) {
            QTest::newRow(name) << arguments << signer << status << QString::fromLatin1(message)
                                << calls;
        };
        row("pressed", args(u"8 9"_s), {}, 0,
            "1 of 2 processed\n2 of 2 processed\nThe Sealmill has run!", 2);
        row("dry run", args(u"1 4 --dry-run"_s), {}, 4,
            "exists  out/Sealmilled-file-3.txt\nnew     out/Sealmilled-file-4", 0);
        row("no template", args(u"1 3"_s).mid(2), {}, 2, "missing --template", 0);
        row("from above to", args(u"5 4"_s), {}, 2, "1 <= --from <= --to", 0);
        row("not a number", args(u"12a 20"_s), {}, 2, "'12a' is not a valid integer value", 0);
        row("output is a file", args(u"1 2 --output offer.txt"_s), {}, 3,
            "offer.txt is not a directory", 0);
        row("template endless, no text", args(u"1 2 --template /dev/zero"_s), {}, 6,
            "/dev/zero is not a text file.", 0);
        row("pass phrase endless", args(u"1 2 --passphrase-file /dev/zero"_s), {}, 2,
            "the pass phrase is longer than 4096 bytes", 0);
        row("pass phrase over 4096 bytes", args(u"1 2 --passphrase-file long.txt"_s), {}, 2,
            "the pass phrase is longer than 4096 bytes", 0);
        row("no such folder in the name", args(u"1 2 --name no/@SERIAL@"_s), {}, 6,
            "Cannot create file out/no/1.", 1);
        row("output exists", args(u"1 5"_s), {}, 4,
            "out/Sealmilled-file-3.txt already exists!\nOverwrite not supported", 2);
        row("signer fails", args(u"1 4"_s), "FAIL_AT=2;EXIT=11;PRINT=key\x1b[2J\r\nnone", 5,
            "Error 11 occured:\nNONEXIST_KEY_ERROR\n  key\\x1b[2J\n  none", 2);
        row("built-in signer, no key file",
            args(u"1 2"_s).mid(0, 6) +
                QStringList{u"--key-file"_s, u"none.asc"_s, u"--passphrase-file"_s, u"pass.txt"_s},
            {}, 5, "Cannot read key file none.asc", 0);
    }
    void stops() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, signer);
        QFETCH(QString, message);
        Workspace ws(signer);
        writeFile(u"out/Sealmilled-file-3.txt"_s, "keep me");
        const Run run = press(arguments);
        QTEST(run.status, "status");
        QVERIFY2(run.printed.contains(message), qPrintable(run.printed));
        QTEST(static_cast<int>(ws.calls().size()), "calls");
        QVERIFY(ws.calls().isEmpty() ||
                ws.calls().first().split('\x1f').at(7) == "my secret phrase");
    }

    // The pass phrase reaches the signer as its argument only: neither in the
    // environment it inherits nor through a descriptor left open, and the
    // press's own environment no longer shows it. A parent that ignores
    // SIGCHLD changes nothing. Quiet prints nothing; a template may come
    // through a pipe.
    void passphraseGoesNowhereElse_data() {
        QTest::addColumn<bool>("viaFd");
        QTest::newRow("variable") << false;
        QTest::newRow("descriptor") << true;
    }
    void passphraseGoesNowhereElse() {
        QFETCH(bool, viaFd);
        Workspace ws;
        writeFile(u"signer.sh"_s,
                  "#!/bin/sh\nenv > env.txt\ntr '\\0' '\\n' < /proc/$PPID/environ > press-env.txt\n"
                  "cat <&3 > fd3.txt 2>/dev/null\necho \"$8\" >> arg.txt\ncp \"$2\" \"$6\"\n");
        QFile::setPermissions(ws.dir.filePath(u"signer.sh"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(u"fd.txt"_s, "the secret\nrest of the file\n");
        QStringList arguments = args(u"1 2"_s).mid(0, 12);
        arguments.replace(9, ws.dir.filePath(u"signer.sh"_s));
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (viaFd) {
            arguments << u"--passphrase-fd"_s << u"3"_s << u"--quiet"_s << u"--template"_s
                      << u"/dev/stdin"_s;
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
        const Run run = press(arguments, &process, viaFd ? "Piped @SERIAL@\r\n" : QByteArray());
        QCOMPARE(run.status, 0);
        QVERIFY(!viaFd || (run.printed.isEmpty() &&
                           contents(u"out/Sealmilled-file-2.txt"_s) == "Piped 2\r\n"));
        QCOMPARE(contents(u"arg.txt"_s), "the secret\nthe secret\n");
        for (const QString& environment : {u"env.txt"_s, u"press-env.txt"_s}) {
            QVERIFY(contents(environment).contains("FAKESIGNER_LOG=") &&
                    !contents(environment).contains("the secret"));
        }
        QVERIFY(!viaFd || contents(u"fd3.txt"_s) == "<missing>");  // no descriptor 3 to read
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
        process.start(QStringLiteral(SEALMILL_PRESS), args(u"1 30"_s));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.dir.filePath(u"out/Sealmill1.tmp"_s)), 20000);
        // Never to pid 0, which is this test's whole process group.
        const auto pid = static_cast<pid_t>(process.processId());
        for (const int signal : signals) {
            QVERIFY(pid > 0 && process.state() == QProcess::Running && ::kill(pid, signal) == 0);
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
        writeFile(u"pass.txt"_s, "p\xe4ss\n");
        QStringList arguments = args(u"1 1"_s);
        arguments.replace(arguments.indexOf(u"Ann Key"_s), u"$(printf 'k\\344y')"_s);
        arguments << u"--name"_s << u"$(printf 'n\\351@SERIAL@')"_s;
        QProcess process;
        process.start(u"/bin/sh"_s, {u"-c"_s, u"exec \"$0\" "_s + arguments.join(u' '),
                                     QStringLiteral(SEALMILL_PRESS)});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArrayList call = ws.calls().value(0).split('\x1f');
        QCOMPARE(call.value(3) + ' ' + call.value(7), "k\xe4y p\xe4ss");
        QVERIFY(::unlink("out/n\xe9"
                         "1") == 0);  // also a name QTemporaryDir cannot remove
    }

    // 10 of 40 in 5 s: 2 a second, 30 left, 15 s; a quarter of the bar filled.
    void progressBar() {
        const QString bar = ProgressMeter::barLine(25, u"10 of 40 processed"_s, 10, 40, 5000, 80);
        QVERIFY2(bar.endsWith(u"25%  10 of 40 processed  2.0/s  0:15 left"_s), qPrintable(bar));
        QCOMPARE(bar.count(u'#'), (bar.indexOf(u']') - 1) / 4);
    }
};

QTEST_GUILESS_MAIN(TestSealmillPress)
#include "tst_sealmill_press.moc"
