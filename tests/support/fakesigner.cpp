// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// A stand-in for a PGP-2.6 signer, driven by environment variables inherited from the test:
//   FAKESIGNER_LOG=<file>      append one line per call: the arguments joined by \x1f
//   FAKESIGNER_COUNTER=<file>  count the calls in this file (needed by FAIL_AT)
//   FAKESIGNER_FAIL_AT=<n>     use FAKESIGNER_EXIT and _SIGNAL only on the n-th call
//   FAKESIGNER_EXIT=<code>     exit code (default 0)
//   FAKESIGNER_SIGNAL=<n>      kill itself with signal n (after logging)
//   FAKESIGNER_SLEEP_MS=<ms>   sleep first
//   FAKESIGNER_READ_STDIN=1    read standard input to its end, then print "stdin:<bytes>"
//   FAKESIGNER_PRINT=<text>    print the text on stdout and stderr, FAKESIGNER_REPEAT times
//   FAKESIGNER_NO_OUTPUT=1     leave the output file empty
//   FAKESIGNER_ALSO_CREATE=<file>  create <file> as someone else would, then sign as usual
//   FAKESIGNER_REPORT=<file>   print "cwd:<dir>", "sigblk:<hex mask>", "sigign:<hex mask>",
//                              "leader:<0|1>" (leads its own process group) and "leaked:<n>"
//                              (other descriptors on its output pipe), then leave a child behind
//                              that holds the pipe until <file> exists (10 s at most), then leaves
//                              <file>.gone
// Otherwise the -o file becomes a mock clear-signed copy of the -sta file, whatever the exit code.
#include <unistd.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray optionValue(const QByteArrayList& args, const QByteArray& option) {
    const qsizetype at = args.indexOf(option);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QByteArray();
}

QByteArray readFile(const QByteArray& path) {
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QByteArray& path, const QByteArray& data, QIODevice::OpenMode mode) {
    QFile file(QString::fromLocal8Bit(path));
    if (!path.isEmpty() && file.open(mode)) {
        file.write(data);
    }
}

// What the signer inherited: its directory, blocked signals, stray descriptors.
void report(const QByteArray& releaseFile) {
    const QByteArray status = readFile("/proc/self/status");
    const auto field = [&status](const QByteArray& name) {
        const qsizetype at = status.indexOf(name + ':') + name.size() + 1;
        return status.mid(at, status.indexOf('\n', at) - at).trimmed();
    };
    const auto target = [](const QString& fd) {
        return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd);
    };
    const QString pipe = target(QStringLiteral("1"));
    int leaked = 0;
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System)) {
        leaked += fd.toInt() > 2 && target(fd) == pipe ? 1 : 0;
    }
    std::printf("cwd:%s\nsigblk:%s\nsigign:%s\nleader:%d\nleaked:%d\n",
                QDir::currentPath().toLocal8Bit().constData(), field("SigBlk").constData(),
                field("SigIgn").constData(), ::getpgrp() == ::getpid() ? 1 : 0, leaked);
    std::fflush(stdout);
    if (const pid_t child = ::fork(); child == 0) {
        for (int i = 0; i < 200 && !QFile::exists(QString::fromLocal8Bit(releaseFile)); ++i) {
            QThread::msleep(50);
        }
        writeFile(releaseFile + ".gone", {}, QIODevice::WriteOnly);
        std::_Exit(0);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QByteArrayList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QByteArray(argv[i]));  // NOLINT: argv is a C array
    }
    QThread::msleep(static_cast<unsigned long>(
        std::max(0, qEnvironmentVariableIntValue("FAKESIGNER_SLEEP_MS"))));
    if (qgetenv("FAKESIGNER_READ_STDIN") == "1") {
        QFile in;
        const qint64 bytes = in.open(stdin, QIODevice::ReadOnly) ? in.readAll().size() : 0;
        std::printf("stdin:%lld\n", static_cast<long long>(bytes));
    }
    if (const QByteArray release = qgetenv("FAKESIGNER_REPORT"); !release.isEmpty()) {
        report(release);
    }
    const QByteArray counter = qgetenv("FAKESIGNER_COUNTER");
    const int call = counter.isEmpty() ? 1 : readFile(counter).trimmed().toInt() + 1;
    writeFile(counter, QByteArray::number(call), QIODevice::WriteOnly | QIODevice::Truncate);
    writeFile(qgetenv("FAKESIGNER_LOG"), args.join('\x1f') + '\n',
              QIODevice::WriteOnly | QIODevice::Append);
    const QByteArray text = qgetenv("FAKESIGNER_PRINT");
    for (int i = text.isEmpty() ? 0
                                : std::max(1, qEnvironmentVariableIntValue("FAKESIGNER_REPEAT"));
         i > 0; --i) {
        std::fwrite(text.constData(), 1, text.size(), stdout);
        std::fwrite(text.constData(), 1, text.size(), stderr);
    }
    std::fflush(stdout);
    const int failAt = qEnvironmentVariableIntValue("FAKESIGNER_FAIL_AT");
    const bool failing = failAt == 0 || call == failAt;
    if (const int signal = qEnvironmentVariableIntValue("FAKESIGNER_SIGNAL");
        signal > 0 && failing) {
        std::signal(signal, SIG_DFL);  // a sanitizer's handler would turn it into an exit
        std::raise(signal);
        std::_Exit(128 + signal);  // the signal was ignored
    }
    writeFile(qgetenv("FAKESIGNER_ALSO_CREATE"), "someone else's file\n", QIODevice::WriteOnly);
    const QByteArray output = optionValue(args, "-o");
    if (qgetenv("FAKESIGNER_NO_OUTPUT") == "1") {
        writeFile(output, {}, QIODevice::WriteOnly);
    } else {
        writeFile(output,
                  "-----BEGIN PGP SIGNED MESSAGE-----\n\n" + readFile(optionValue(args, "-sta")) +
                      "\n-----BEGIN PGP SIGNATURE-----\nkey:" + optionValue(args, "-u") +
                      "\n-----END PGP SIGNATURE-----\n",
                  QIODevice::WriteOnly | QIODevice::Truncate);
    }
    return failing ? qEnvironmentVariableIntValue("FAKESIGNER_EXIT") : 0;
}
