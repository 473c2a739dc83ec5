// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "referenceloops.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QProcess>
#include <chrono>
#include <future>
#include <vector>

extern char** environ;  // NOLINT: the process environment, as POSIX declares it

namespace {

QByteArray workPath(const QString& dir, int serial) {
    return (dir + QStringLiteral("/Sealmill%1.tmp").arg(serial)).toLocal8Bit();
}

QByteArray outputPath(const QString& dir, int serial) {
    return (dir + QStringLiteral("/Sealmilled-file-%1.txt").arg(serial)).toLocal8Bit();
}

bool writeSubstituted(const BenchTemplate& text, const QByteArray& path, int serial) {
    const QByteArray number = QByteArray::number(serial);
    std::vector<iovec> parts;
    for (qsizetype i = 0; i < text.pieces.size(); ++i) {
        if (i > 0) {
            parts.push_back({const_cast<char*>(number.constData()),  // NOLINT: iovec is not const
                             static_cast<size_t>(number.size())});
        }
        const QByteArray& piece = text.pieces.at(i);
        parts.push_back({const_cast<char*>(piece.constData()),  // NOLINT
                         static_cast<size_t>(piece.size())});
    }
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    // The pieces fit in one call for every size measured here (IOV_MAX is 1024).
    const ssize_t written = ::writev(fd, parts.data(), static_cast<int>(parts.size()));
    ::close(fd);
    return written ==
           static_cast<ssize_t>(text.bytes.size()) + (text.pieces.size() - 1) * (number.size() - 8);
}

QList<QByteArray> signerArguments(const QByteArray& work, const QByteArray& out) {
    return {"-sta", work, "-u", "Bench Key", "-o", out, "-z", "pass phrase", "+BATCHMODE"};
}

template <typename Start>
double timedLoop(const BenchTemplate& text, const QString& dir, int numbers, Start start) {
    QElapsedTimer clock;
    clock.start();
    for (int n = 1; n <= numbers; ++n) {
        const QByteArray work = workPath(dir, n);
        if (!writeSubstituted(text, work, n) || !start(work, outputPath(dir, n))) {
            return -1;
        }
        ::unlink(work.constData());
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / numbers;
}

// A signed copy written and waiting to be moved to its output name.
struct Gathered {
    int fd = -1;
    QByteArray temporary;
    QByteArray output;
};

// The copies of a run's folder that wait for the disk, as PublicationBatch
// keeps them.
class Batches {
public:
    explicit Batches(int folder) : folder_(folder) {}
    ~Batches() = default;
    Q_DISABLE_COPY_MOVE(Batches)

    bool add(Gathered copy) {
        gathering_.push_back(std::move(copy));
        if (!wait_.valid()) {
            startWait();
            return true;
        }
        // The run hears of a finished wait while it signs the next copy.
        const bool waited = wait_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        return waited || gathering_.size() >= kMostGathered ? publishFlushed() : true;
    }

    bool publishAll() {
        bool ok = true;
        while (wait_.valid()) {
            ok = publishFlushed() && ok;
        }
        return ok;
    }

private:
    static constexpr size_t kMostGathered = 256;

    void startWait() {
        waiting_ = std::move(gathering_);
        gathering_.clear();
        const int file = waiting_.size() == 1 ? waiting_.front().fd : -1;
        wait_ = std::async(std::launch::async, [this, file] {
            return (file >= 0 ? ::fdatasync(file) : ::syncfs(folder_)) == 0;
        });
    }

    bool publishFlushed() {
        bool ok = wait_.get();
        for (const Gathered& copy : waiting_) {
            ok = ::renameat2(folder_, copy.temporary.constData(), folder_, copy.output.constData(),
                             RENAME_NOREPLACE) == 0 &&
                 ok;
            ::close(copy.fd);
        }
        waiting_.clear();
        if (!gathering_.empty()) {
            startWait();
        }
        return ok;
    }

    int folder_;
    std::vector<Gathered> gathering_;
    std::vector<Gathered> waiting_;
    std::future<bool> wait_;
};

}  // namespace

double publicationLoopMs(const QString& dir, int numbers, const QByteArray& signedCopy) {
    QElapsedTimer clock;
    clock.start();
    const int folder = ::open(dir.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return -1;
    }
    bool ok = true;
    {
        Batches batches(folder);
        for (int n = 1; n <= numbers && ok; ++n) {
            const QByteArray number = QByteArray::number(n);
            Gathered copy{-1, "Sealmill" + number + ".asc", "Sealmilled-file-" + number + ".txt"};
            struct stat status {};
            ok = ::fstatat(folder, copy.output.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0;
            copy.fd = ::openat(folder, copy.temporary.constData(),
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            ok = ok && copy.fd >= 0 &&
                 ::write(copy.fd, signedCopy.constData(), signedCopy.size()) == signedCopy.size();
            ::sync_file_range(copy.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
            ok = batches.add(std::move(copy)) && ok;
        }
        ok = batches.publishAll() && ok;
    }
    ok = ::fsync(folder) == 0 && ok;
    ::close(folder);
    return ok ? static_cast<double>(clock.nsecsElapsed()) / 1e6 / numbers : -1;
}

double spawnLoopMs(const BenchTemplate& text, const QString& signer, const QString& dir,
                   int numbers) {
    const QByteArray program = signer.toLocal8Bit();
    return timedLoop(text, dir, numbers, [&](const QByteArray& work, const QByteArray& out) {
        QList<QByteArray> args = signerArguments(work, out);
        args.prepend(program);
        std::vector<char*> argv;
        for (QByteArray& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, program.constData(), nullptr, nullptr, argv.data(), environ) != 0) {
            return false;
        }
        int status = 0;
        return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    });
}

double qprocessLoopMs(const BenchTemplate& text, const QString& signer, const QString& dir,
                      int numbers) {
    return timedLoop(text, dir, numbers, [&](const QByteArray& work, const QByteArray& out) {
        QStringList args;
        for (const QByteArray& arg : signerArguments(work, out)) {
            args << QString::fromLocal8Bit(arg);
        }
        QProcess process;
        process.start(signer, args);
        return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    });
}

double shellLoopMs(const QString& templateFile, const QString& signer, const QString& dir,
                   int numbers) {
    const QString script = QStringLiteral(
        "n=1\n"
        "while [ \"$n\" -le \"$4\" ]; do\n"
        "  sed \"s/@SERIAL@/$n/\" \"$1\" > \"$3/Sealmill$n.tmp\"\n"
        "  \"$2\" -sta \"$3/Sealmill$n.tmp\" -u 'Bench Key' -o \"$3/Sealmilled-file-$n.txt\" \\\n"
        "      -z 'pass phrase' +BATCHMODE || exit 1\n"
        "  rm \"$3/Sealmill$n.tmp\"\n"
        "  n=$((n + 1))\n"
        "done\n");
    QProcess shell;
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                            templateFile, signer, dir, QString::number(numbers)});
    if (!shell.waitForFinished(-1) || shell.exitStatus() != QProcess::NormalExit ||
        shell.exitCode() != 0) {
        return -1;
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e6 / numbers;
}
