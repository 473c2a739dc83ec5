// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// sealmill-press through the real executable, and what it prints.
#include "cli/progressmeter.h"
#include "gnupghome.h"
#include "pressrig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>
#include <array>
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
        writeFile(u"nul.txt"_s, "RIGHT\0junk\n"_ba);
        writeFile(u"utf16.txt"_s, QByteArray("\xff\xfeN\0o\0 \0@\0S\0E\0R\0I\0A\0L\0@\0", 24));
        writeFile(u"longline.txt"_s, QByteArray(19990, 'l') + "@SERIAL@\r\n");
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

// Whether the process has a handler for SIGTERM, as /proc tells.
bool catchesSigterm(qint64 pid) {
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1) & 1U) != 0;
        }
    }
    return false;
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
            "Cannot create file out/no/1: No such file or directory.", 1);
        row("UTF-16 template", args(u"8 8 --template utf16.txt"_s), {}, 0,
            "The template is UTF-16 text: its copies are signed as UTF-8", 1);
        row("line too long", args(u"99 100 --template longline.txt"_s), {}, 3,
            "Line 1 of the copy for number 100 is 19993 bytes long", 0);
        row("signer fails", args(u"1 4"_s), "FAIL_AT=2;EXIT=11;PRINT=key\x1b[2J\r\nnone", 5,
            "Error 11 occured:\nNONEXIST_KEY_ERROR\n  key\\x1b[2J\n  none", 2);
        row("jobs for a signer program", args(u"1 2 --jobs 2"_s), {}, 2,
            "--jobs needs the built-in signer: a signer program signs one copy at a time", 0);
        row("no jobs", args(u"1 2 --jobs 0"_s), {}, 2,
            "--jobs needs a number from 1 to 256, not '0'", 0);
        row("NUL in the pass phrase", args(u"1 2 --passphrase-file nul.txt"_s), {}, 5,
            "The pass phrase holds a NUL character, which no signer can take", 0);
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
        for (const QByteArray& call : ws.calls()) {
            QCOMPARE(call.split('\x1f').value(7), "my secret phrase");
        }
    }

    // The pass phrase reaches the signer as its argument only: neither in the
    // environment it inherits nor through a descriptor left open, and the
    // press's own environment no longer shows it. A parent that ignores
    // SIGCHLD changes nothing. Quiet prints nothing; a template may come
    // through a pipe.
    void passphraseGoesNowhereElse_data() {
        QTest::addColumn<bool>("viaFd");
        QTest::addColumn<QStringList>("more");  // further arguments
        QTest::addColumn<QByteArray>("given");  // the pass phrase the signer gets
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QByteArray>("second");  // the output for number 2
        const QString pressed = u"1 of 2 processed\n2 of 2 processed\nThe Sealmill has run!\n"_s;
        QTest::newRow("variable") << false << QStringList() << "the secret"_ba << pressed
                                  << "Offer 2 and @SERIAL@\r\nplain\r\n"_ba;
        QTest::newRow("descriptor, quiet, template piped")
            << true << QStringList() << "the secret"_ba << QString() << "Piped 2\r\n"_ba;
        QTest::newRow("variable and a file")
            << false << QStringList{u"--passphrase-file"_s, u"pass.txt"_s} << "my secret phrase"_ba
            << pressed << "Offer 2 and @SERIAL@\r\nplain\r\n"_ba;
    }
    void passphraseGoesNowhereElse() {
        QFETCH(bool, viaFd);
        QFETCH(QStringList, more);
        QFETCH(QByteArray, given);
        Workspace ws;
        writeFile(u"signer.sh"_s,
                  "#!/bin/sh\nenv > env.txt\ntr '\\0' '\\n' < /proc/$PPID/environ > press-env.txt\n"
                  "cat <&3 > fd3.txt 2>/dev/null\necho \"$8\" >> arg.txt\ncp \"$2\" \"$6\"\n");
        QFile::setPermissions(ws.dir.filePath(u"signer.sh"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(u"fd.txt"_s, "the secret\nrest of the file\n");
        QStringList arguments = args(u"1 2"_s).mid(0, 12) + more;
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
            // Without the option, no descriptor 3 whatever the test runner left open.
            if (viaFd) {
                ::dup2(::open(fdFile.constData(), O_RDONLY), 3);
            } else {
                ::close(3);
            }
            ::signal(SIGCHLD, SIG_IGN);
        });
        const Run run = press(arguments, &process, viaFd ? "Piped @SERIAL@\r\n" : QByteArray());
        QCOMPARE(run.status, 0);
        QTEST(run.printed, "printed");
        QTEST(contents(u"out/Sealmilled-file-2.txt"_s), "second");
        QCOMPARE(contents(u"arg.txt"_s), given + "\n" + given + "\n");
        for (const QString& environment : {u"env.txt"_s, u"press-env.txt"_s}) {
            QVERIFY(contents(environment).contains("FAKESIGNER_LOG=") &&
                    !contents(environment).contains("the secret"));
        }
        QCOMPARE(contents(u"fd3.txt"_s), "<missing>");  // no descriptor 3 to read
    }

    // A first SIGINT lets the running signer finish its number and starts no
    // other; a second one, or a SIGTERM, stops a hung signer at once. Either
    // way nothing but whole outputs stays behind.
    void signalsCancel_data() {
        QTest::addColumn<QList<int>>("signals");
        QTest::addColumn<QByteArray>("sleep");
        QTest::addColumn<int>(
            "ignored");  // by the parent: SIGINT for a background job, SIGHUP by nohup
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("cancelling");  // "Cancelling: number 1 ..." printed
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QString>("report");  // the last line
        const QString none = u"Cancelled: 0 of 30 numbers pressed.\n"_s;
        const auto row = [](const char* name, const QList<int>& signals, const char* sleep,
                            int ignored, int status, bool cancelling, int pressed,
                            const QString& report) {
            QTest::newRow(name) << signals << QByteArray(sleep) << ignored << status << cancelling
                                << pressed << report;
        };
        row("SIGINT", {SIGINT}, "2000", 0, 130, true, 1,
            u"Cancelled: 1 of 30 numbers pressed.\n"_s);
        row("SIGINT twice, signer hung", {SIGINT, SIGINT}, "60000", 0, 130, true, 0, none);
        row("SIGTERM, signer hung", {SIGTERM}, "60000", 0, 143, false, 0, none);
        row("SIGHUP", {SIGHUP}, "60000", 0, 129, false, 0, none);
        row("SIGPIPE", {SIGPIPE}, "60000", 0, 141, false, 0, none);
        row("SIGUSR1", {SIGUSR1}, "60000", 0, 138, false, 0, none);
        row("SIGUSR2", {SIGUSR2}, "60000", 0, 140, false, 0, none);
        row("SIGALRM", {SIGALRM}, "60000", 0, 142, false, 0, none);
        row("SIGINT ignored, then SIGTERM", {SIGINT, SIGTERM}, "60000", SIGINT, 143, false, 0,
            none);
        row("SIGHUP ignored, then SIGTERM", {SIGHUP, SIGTERM}, "60000", SIGHUP, 143, false, 0,
            none);
    }
    void signalsCancel() {
        QFETCH(QList<int>, signals);
        QFETCH(QByteArray, sleep);
        QFETCH(int, ignored);
        Workspace ws("SLEEP_MS=" + sleep);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setChildProcessModifier([ignored] {
            if (ignored != 0) {
                ::signal(ignored, SIG_IGN);
            }
        });
        process.start(QStringLiteral(SEALMILL_PRESS), args(u"1 30"_s));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ws.dir.filePath(u"out/Sealmill1.tmp"_s)), 20000);
        // Never to pid 0, which is this test's whole process group.
        const auto pid = static_cast<pid_t>(process.processId());
        for (const int signal : signals) {
            QVERIFY(pid > 0 && process.state() == QProcess::Running && ::kill(pid, signal) == 0);
            QTest::qWait(100);
        }
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 10000);
        QTEST(process.exitCode(), "status");
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QTEST(err.contains(u"Cancelling: number 1 is being signed"_s), "cancelling");
        QTEST(static_cast<int>(ws.outputs().size()), "pressed");
        QTEST(static_cast<int>(ws.calls().size()), "pressed");  // a hung signer never logs
        QFETCH(QString, report);
        QVERIFY2(err.endsWith(report), qPrintable(err));
        QCOMPARE(ws.outputs().filter(u".tmp"_s), QStringList());
    }

    // A run waiting for a template pipe's writer ends within two seconds of
    // a SIGTERM, leaving no file. (A gpg that hangs is ended by the job's
    // stop, which tst_builtinsigner covers.)
    void termEndsTheWaitForATemplatePipe() {
        Workspace ws;
        QVERIFY(::mkfifo("fifo", 0600) == 0);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(SEALMILL_PRESS), args(u"1 2 --template fifo"_s));
        QVERIFY(process.waitForStarted());
        // A loaded machine may take a while to get it to its signal handlers.
        QTRY_VERIFY_WITH_TIMEOUT(catchesSigterm(process.processId()), 20000);
        QTest::qWait(300);
        QCOMPARE(process.state(), QProcess::Running);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(::kill(static_cast<pid_t>(process.processId()), SIGTERM) == 0);
        QVERIFY(process.waitForFinished(5000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 143);
        QCOMPARE(ws.outputs(), QStringList());
    }

    // A reader that goes away (| head -n 2) ends a long dry run at once: the
    // write that finds the pipe closed stops it, as SIGPIPE does.
    void closedPipeEndsTheDryRun() {
        Workspace ws;
        QProcess head;
        QProcess press;
        press.setStandardOutputProcess(&head);
        press.setStandardInputFile(QProcess::nullDevice());
        head.start(u"head"_s, {u"-n"_s, u"2"_s});
        press.start(QStringLiteral(SEALMILL_PRESS), args(u"1 2000000000 --dry-run"_s));
        QVERIFY(press.waitForFinished(10000));
        QCOMPARE(press.exitStatus(), QProcess::NormalExit);
        QCOMPARE(press.exitCode(), 141);
        QVERIFY(head.waitForFinished(5000));
        QCOMPARE(head.readAllStandardOutput(),
                 "new     out/Sealmilled-file-1.txt\nnew     out/Sealmilled-file-2.txt\n");
    }

    // Everything sealmill-press prints for runs that end before they begin,
    // and nothing else: no warning of a library's own. Bytes that are not
    // UTF-8 show as \xNN.
    void wholeMessages_data() {
        QTest::addColumn<QString>("words");  // for sh: $(printf ...) makes any bytes
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        const QString rest = u" --key K --signer " SEALMILL_FAKE_SIGNER " --output out"_s;
        QTest::newRow("empty template name")
            << u"--template '' --from 1 --to 2 --passphrase-file pass.txt"_s + rest << 2
            << u"sealmill-press: --template needs a file, not an empty text\n"
               "Try 'sealmill-press --help' for more information.\n"_s;
        QTest::newRow("template name not UTF-8")
            << u"--template $(printf 'n\\351.txt') --from 1 --to 2 --passphrase-file pass.txt"_s +
                   rest
            << 6 << u"sealmill-press: Cannot open file n\\xe9.txt.\n"_s;
        QTest::newRow("dry run without a key")
            << u"--template offer.txt --from 1 --to 2 --output out --dry-run"_s << 0
            << u"new     out/Sealmilled-file-1.txt\nnew     out/Sealmilled-file-2.txt\n"_s;
    }
    void wholeMessages() {
        QFETCH(QString, words);
        Workspace ws;
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(u"/bin/sh"_s,
                      {u"-c"_s, u"exec \"$0\" "_s + words, QStringLiteral(SEALMILL_PRESS)});
        QVERIFY(process.waitForFinished(20000));
        QTEST(process.exitCode(), "status");
        QTEST(QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()),
              "printed");
    }

    // Bytes that are not UTF-8 in every path option, the key, the name
    // pattern and the pass phrase reach the signer and the file system
    // unchanged.
    void bytesPassThrough() {
        Workspace ws;
        writeFile(u"pass.txt"_s, "p\xe4ss\n");
        QVERIFY(::mkdir("\xf6ut", 0700) == 0);
        // A signer that takes its paths as bytes, as every program is given them.
        const QByteArray signer =
            "#!/bin/sh\nprintf '%s %s' \"$4\" \"$8\" > call.txt\ncp \"$2\" \"$6\"\n";
        const int fd = ::open("s\xefgner", O_WRONLY | O_CREAT | O_EXCL, 0700);
        QVERIFY(fd >= 0 && ::write(fd, signer.constData(), signer.size()) == signer.size());
        ::close(fd);
        QVERIFY(::link("offer.txt", "t\xe9mplate") == 0);
        QVERIFY(::link("pass.txt", "p\xe4ss") == 0);
        QProcess process;
        process.start(u"/bin/sh"_s,
                      {u"-c"_s,
                       u"exec \"$0\" --from 1 --to 1 --template \"$(printf 't\\351mplate')\" "
                       "--key \"$(printf 'k\\344y')\" --signer \"$(printf 's\\357gner')\" "
                       "--output \"$(printf '\\366ut')\" --passphrase-file \"$(printf "
                       "'p\\344ss')\" --name \"$(printf 'n\\351@SERIAL@')\""_s,
                       QStringLiteral(SEALMILL_PRESS)});
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(contents(u"call.txt"_s), "k\xe4y p\xe4ss");
        // Also names QTemporaryDir cannot remove.
        const int copy = ::open(
            "\xf6ut/n\xe9"
            "1",
            O_RDONLY);
        std::array<char, 8> start{};
        QVERIFY(copy >= 0 && ::read(copy, start.data(), start.size()) == 8);
        ::close(copy);
        QCOMPARE(QByteArray(start.data(), 8), "Offer 1 ");
        QVERIFY(::unlink("\xf6ut/n\xe9"
                         "1") == 0);
        QVERIFY(::rmdir("\xf6ut") == 0 && ::unlink("s\xefgner") == 0 &&
                ::unlink("t\xe9mplate") == 0 && ::unlink("p\xe4ss") == 0);
    }

    // The order in which sealmill-press puts copies on disk and publishes
    // them, seen from outside: each signed copy's bytes reach the disk before
    // it takes its output name, and the folder's entries before the run ends;
    // copies signed in memory share their waits. Where the file system can
    // neither rename without replacing nor link, each copy is written under
    // its name exclusively and flushed, and the run says so.
    void durablePublication_data() {
        QTest::addColumn<bool>("builtin");
        QTest::addColumn<bool>("atomic");
        QTest::addColumn<int>("numbers");
        // Per number, in order: %s its signed copy, %o its output name, %w a
        // wait for its bytes (its own, or the file system's for a batch).
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("mostWaits");
        const QString renamed = u"writeback %s|%w|rename %s %o|fsync out/"_s;
        QTest::newRow("signer program") << false << true << 3 << renamed << 3;
        QTest::newRow("built-in signer, in batches") << true << true << 300 << renamed << 150;
        QTest::newRow("no atomic rename or link")
            << false << false << 3
            << u"writeback %s|%w|rename %s %o|link %s %o|fdatasync %o|fsync out/"_s << 6;
    }
    void durablePublication() {
        QFETCH(bool, builtin);
        QFETCH(bool, atomic);
        QFETCH(int, numbers);
        QFETCH(QString, steps);
        Workspace ws;
        std::optional<GnupgHome> home;
        QStringList arguments = args(u"1 %1"_s.arg(numbers));
        if (builtin) {
            home.emplace();
            QVERIFY2(home->isReady(), qPrintable(home->error()));
            writeFile(u"key.gpg"_s, home->exportedSecretKey(home->fingerprint(), false));
            writeFile(u"gpgpass.txt"_s, GnupgHome::passPhrase().toUtf8());
            arguments = arguments.mid(0, 6) + QStringList{u"--key-file"_s,        u"key.gpg"_s,
                                                          u"--passphrase-file"_s, u"gpgpass.txt"_s,
                                                          u"--output"_s,          u"out"_s};
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LD_PRELOAD"_s, QStringLiteral(SEALMILL_SYNCTRACE));
        env.insert(u"SYNCTRACE_LOG"_s, ws.dir.filePath(u"trace.log"_s));
        env.insert(u"SYNCTRACE_NO_ATOMIC"_s, atomic ? u"0"_s : u"1"_s);
        // A wait then outlasts several signatures on any machine and disk.
        env.insert(u"SYNCTRACE_WAIT_MS"_s, u"20"_s);
        env.insert(u"ASAN_OPTIONS"_s, u"verify_asan_link_order=0"_s);
        process.setProcessEnvironment(env);
        const Run run = press(arguments, &process);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.printed.contains(u"cannot publish atomically"_s), !atomic);
        QCOMPARE(ws.outputs().size(), numbers);
        QCOMPARE(ws.outputs().filter(u".tmp"_s), QStringList());
        QVERIFY(contents(u"out/Sealmilled-file-2.txt"_s).contains("Offer 2 and @SERIAL@\r\n"));

        const QStringList trace = QString::fromUtf8(contents(ws.dir.filePath(u"trace.log"_s)))
                                      .split(u'\n', Qt::SkipEmptyParts);
        for (int n = 1; n <= numbers; ++n) {
            qsizetype at = 0;
            for (QString step : steps.split(u'|')) {
                step.replace(u"%s"_s, u"Sealmill%1.signed.tmp"_s.arg(n))
                    .replace(u"%o"_s, u"Sealmilled-file-%1.txt"_s.arg(n));
                const QString pattern =
                    step == u"%w"_s ? u"syncfs out/|fdatasync Sealmill%1\\.signed\\.tmp"_s.arg(n)
                                    : QRegularExpression::escape(step);
                at = trace.indexOf(QRegularExpression(QRegularExpression::anchoredPattern(pattern)),
                                   at);
                QVERIFY2(at >= 0,
                         qPrintable(u"number %1: no %2 after the step before"_s.arg(n).arg(step)));
            }
        }
        // The folder once, at the end; the copies' bytes in shared waits.
        QCOMPARE(trace.count(u"fsync out/"_s), 1);
        const auto waits =
            trace.filter(QRegularExpression(u"^(syncfs|fdatasync Sealmill)"_s)).size();
        QFETCH(int, mostWaits);
        QVERIFY2(waits <= mostWaits, qPrintable(QString::number(waits)));
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
