// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/program/programsigner.h"
#include "pressrig.h"

#include <sys/wait.h>
#include <unistd.h>
#include <QtTest>
#include <csignal>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

// Bytes a shell or terminal would make something of.
const QByteArray kPassPhrase = "\tp -o x\x1b[2J\r\x7f\xc2\xa0 "_ba;

// One run of one signature through the real launch, waited for from the event loop.
SignerResult signOnce(ProgramSigner& signer, const SigningTask& task,
                      const QByteArray& passPhrase = {}, bool stop = false) {
    std::optional<SignerResult> prepared;
    QObject::connect(&signer, &Signer::prepared, &signer,
                     [&prepared](const SignerResult& result) { prepared = result; });
    signer.prepare({{}, SecretBytes(passPhrase)});
    if (!prepared || prepared->status == SignerResult::Status::Failed) {
        return prepared.value_or(SignerResult::failed(u"not prepared at once"_s));
    }
    std::optional<SignerResult> ended;
    QObject::connect(&signer, &Signer::signingEnded, &signer,
                     [&ended](qint64 /*serial*/, const SignerResult& result) { ended = result; });
    signer.sign(task);
    if (stop) {
        signer.stop();
    }
    if (!QTest::qWaitFor([&ended] { return ended.has_value(); }, 20000)) {
        return SignerResult::failed(u"never ended"_s);
    }
    return *ended;
}

}  // namespace

class TestProgramSigner : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void judgesTheSigner_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("setting");  // the stand-in's settings
        QTest::addColumn<QByteArray>("passPhrase");
        QTest::addColumn<bool>("stop");           // stopped as soon as it runs
        QTest::addColumn<QString>("message");     // empty: success
        QTest::addColumn<QString>("detailsEnd");  // how what it printed ends
        QTest::addColumn<bool>("launched");       // it ran and logged its arguments
        const auto row = [](const char* name, const QByteArray& setting, const char* message,
                            const QString& detailsEnd = {}) {
            QTest::newRow(name) << QStringLiteral(SEALMILL_FAKE_SIGNER) << setting << kPassPhrase
                                << false << QString::fromLatin1(message) << detailsEnd << true;
        };
        row("exit 11", "EXIT=11", "Error 11 occured:\rNONEXIST_KEY_ERROR");
        row("exit 127 is success", "EXIT=127", "");
        row("signal 9", "SIGNAL=9", "The signer was ended by signal 9 (Killed).");
        row("megabytes on both streams", "EXIT=23;REPEAT=4096;PRINT=" + QByteArray(1024, 'x'),
            "Error 23 occured:\rCOMPRESS_ERROR", u"xxx"_s);
        row("input is empty", "READ_STDIN=1;EXIT=3", "Error 3 occured:\rUNKNOWN_FILE_ERROR",
            u"stdin:0\n"_s);
        QTest::newRow("stopped while it hangs")
            << QStringLiteral(SEALMILL_FAKE_SIGNER) << "SLEEP_MS=60000"_ba << kPassPhrase << true
            << u"The signer was ended by signal 15 (Terminated)."_s << QString() << false;
        QTest::newRow("cannot start")
            << u"/no/PGP"_s << QByteArray() << kPassPhrase << false
            << u"Error -1 occured:\rsigner could not be started"_s << QString() << false;
        // The system ends an argument at a NUL: the signer would get another pass phrase.
        QTest::newRow("NUL in the pass phrase")
            << QStringLiteral(SEALMILL_FAKE_SIGNER) << QByteArray() << kPassPhrase + "\0"_ba
            << false << u"The pass phrase holds a NUL character, which no signer can take"_s
            << QString() << false;
    }
    void judgesTheSigner() {
        QFETCH(QString, program);
        QFETCH(QByteArray, setting);
        QFETCH(QByteArray, passPhrase);
        QFETCH(bool, stop);
        QFETCH(QString, detailsEnd);
        QFETCH(bool, launched);
        QTemporaryDir dir;
        SigningTask task;
        task.program = program;
        task.workFile = dir.filePath(u"Sealmill5.tmp"_s);
        task.signedFile = dir.filePath(u"out 5"_s);
        task.keyId = u"k \"q\""_s;
        const FakeSignerSettings settings(setting +
                                          ";LOG=" + QFile::encodeName(dir.filePath(u"log"_s)));
        // Whatever this process reads from is not the signer's to read.
        QFile typed(dir.filePath(u"typed"_s));
        QVERIFY(typed.open(QIODevice::ReadWrite) && typed.write("typed\n") == 6 && typed.seek(0));
        const int ownInput = ::dup(STDIN_FILENO);
        ::dup2(typed.handle(), STDIN_FILENO);
        ProgramSigner signer;
        const SignerResult error = signOnce(signer, task, passPhrase, stop);
        ::dup2(ownInput, STDIN_FILENO);
        ::close(ownInput);
        QTEST(error.message, "message");
        QVERIFY2(error.details.size() <= 4096, "the signer's output is kept to its last lines");
        QVERIFY2(error.details.endsWith(detailsEnd), qPrintable(error.details.right(40)));
        QCOMPARE(::waitpid(-1, nullptr, WNOHANG), -1);  // no zombie left
        // Each value is one argument, byte for byte.
        const QByteArray args = "-sta\x1f" + QFile::encodeName(task.workFile) +
                                "\x1f-u\x1fk \"q\"\x1f-o\x1f" + QFile::encodeName(task.signedFile) +
                                "\x1f-z\x1f" + kPassPhrase + "\x1f+BATCHMODE\n";
        QCOMPARE(contents(dir.filePath(u"log"_s)), launched ? args : QByteArray("<missing>"));
    }

    // The signer runs where the caller stands, in a process group of its own
    // with no signal blocked or ignored (whatever the caller blocks or
    // ignores), sees none of the launch's descriptors, and is done with once it
    // exits, even while a process it started still holds its output pipe.
    void startsCleanInTheCallersDirectory() {
        QTemporaryDir dir;
        const QString release = dir.filePath(u"release"_s);
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const FakeSignerSettings report("REPORT=" + QFile::encodeName(release) + ";EXIT=3");
        sigset_t blocked;
        sigset_t old;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigprocmask(SIG_BLOCK, &blocked, &old);
        const auto oldTerm = std::signal(SIGTERM, SIG_IGN);
        ProgramSigner signer;
        SigningTask task;
        task.program = QStringLiteral(SEALMILL_FAKE_SIGNER);
        const SignerResult error = signOnce(signer, task);
        sigprocmask(SIG_SETMASK, &old, nullptr);
        std::signal(SIGTERM, oldTerm);
        QDir::setCurrent(cwd);
        const bool holderAlive = !QFile::exists(release + u".gone"_s);
        QFile(release).open(QIODevice::WriteOnly);

        QVERIFY(holderAlive);
        QVERIFY2(error.message.startsWith(u"Error 3 occured"_s), qPrintable(error.message));
        const QStringList lines = error.details.split(u'\n');
        QVERIFY2(lines.contains(u"cwd:"_s + QFileInfo(dir.path()).canonicalFilePath()),
                 qPrintable(error.details));
        QVERIFY2(lines.contains(u"leaked:0"_s) && lines.contains(u"leader:1"_s),
                 qPrintable(error.details));
        // The C library keeps two real-time signals of its own out of reach.
        for (const QString& mask : {u"sigblk:"_s, u"sigign:"_s}) {
            const QString line = lines.filter(mask).value(0);
            QVERIFY2((line.mid(7).toULongLong(nullptr, 16) & 0x7FFFFFFF) == 0, qPrintable(line));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgramSigner)
#include "tst_programsigner.moc"
