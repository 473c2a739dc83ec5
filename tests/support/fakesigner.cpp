// A stand-in for a PGP-2.6 signer, driven by environment variables that it
// inherits from the test process:
//   FAKESIGNER_LOG=<file>       append one line per call: the arguments joined by \x1f
//   FAKESIGNER_COUNTER=<file>   count the calls in this file (needed by FAIL_AT)
//   FAKESIGNER_FAIL_AT=<n>      use FAKESIGNER_EXIT only on the n-th call, 0 on the others
//   FAKESIGNER_EXIT=<code>      exit code (default 0)
//   FAKESIGNER_SIGNAL=<n>       kill itself with signal n (after logging)
//   FAKESIGNER_SLEEP_MS=<ms>    sleep first
//   FAKESIGNER_READ_STDIN=1     read standard input to its end first, then print
//                               "stdin:<bytes read>" on stdout
//   FAKESIGNER_PRINT=<text>     print the text on stdout and on stderr
//   FAKESIGNER_REPEAT=<n>       print it n times (default 1)
//   FAKESIGNER_NO_OUTPUT=1      write no output file
// Otherwise the -o file becomes a mock clear-signed text of the -sta file:
//   "-----BEGIN PGP SIGNED MESSAGE-----\n\n" <work file bytes>
//   "\n-----BEGIN PGP SIGNATURE-----\nkey:<-u value>\n-----END PGP SIGNATURE-----\n"
// The output file is written whatever the exit code, unless NO_OUTPUT is set.
#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray env(const char* name) {
    return qgetenv(name);
}

int envInt(const char* name, int fallback) {
    bool ok = false;
    const int value = env(name).toInt(&ok);
    return ok ? value : fallback;
}

QByteArray optionValue(const QByteArrayList& args, const QByteArray& option) {
    const qsizetype at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QByteArray();
}

int nextCallNumber() {
    const QByteArray counterPath = env("FAKESIGNER_COUNTER");
    if (counterPath.isEmpty()) {
        return 1;
    }
    QFile counter(QString::fromLocal8Bit(counterPath));
    int calls = 0;
    if (counter.open(QIODevice::ReadOnly)) {
        calls = counter.readAll().trimmed().toInt();
        counter.close();
    }
    ++calls;
    if (counter.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        counter.write(QByteArray::number(calls));
    }
    return calls;
}

void appendLog(const QByteArrayList& args) {
    const QByteArray logPath = env("FAKESIGNER_LOG");
    if (logPath.isEmpty()) {
        return;
    }
    QFile log(QString::fromLocal8Bit(logPath));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write(args.join('\x1f') + '\n');
    }
}

void printOutput() {
    const QByteArray text = env("FAKESIGNER_PRINT");
    if (text.isEmpty()) {
        return;
    }
    const int repeat = envInt("FAKESIGNER_REPEAT", 1);
    for (int i = 0; i < repeat; ++i) {
        std::fwrite(text.constData(), 1, text.size(), stdout);
        std::fwrite(text.constData(), 1, text.size(), stderr);
    }
    std::fflush(stdout);
}

void writeSignedFile(const QByteArrayList& args) {
    const QByteArray outPath = optionValue(args, "-o");
    if (outPath.isEmpty() || env("FAKESIGNER_NO_OUTPUT") == "1") {
        return;
    }
    QFile work(QString::fromLocal8Bit(optionValue(args, "-sta")));
    const QByteArray body = work.open(QIODevice::ReadOnly) ? work.readAll() : QByteArray();
    QFile out(QString::fromLocal8Bit(outPath));
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        out.write("-----BEGIN PGP SIGNED MESSAGE-----\n\n" + body +
                  "\n-----BEGIN PGP SIGNATURE-----\nkey:" + optionValue(args, "-u") +
                  "\n-----END PGP SIGNATURE-----\n");
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QByteArrayList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QByteArray(argv[i]));  // NOLINT: argv is a C array
    }
    if (const int sleepMs = envInt("FAKESIGNER_SLEEP_MS", 0); sleepMs > 0) {
        QThread::msleep(static_cast<unsigned long>(sleepMs));
    }
    if (env("FAKESIGNER_READ_STDIN") == "1") {
        QFile in;
        qint64 bytes = 0;
        if (in.open(stdin, QIODevice::ReadOnly)) {
            bytes = in.readAll().size();
        }
        std::printf("stdin:%lld\n", static_cast<long long>(bytes));
        std::fflush(stdout);
    }
    const int call = nextCallNumber();
    appendLog(args);
    printOutput();
    if (const int signal = envInt("FAKESIGNER_SIGNAL", 0); signal > 0) {
        std::raise(signal);
        std::_Exit(128 + signal);  // the signal was ignored
    }
    writeSignedFile(args);
    const int failAt = envInt("FAKESIGNER_FAIL_AT", 0);
    const int code = envInt("FAKESIGNER_EXIT", 0);
    return failAt > 0 && call != failAt ? 0 : code;
}
