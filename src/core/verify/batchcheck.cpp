// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/verify/batchcheck.h"

#include "core/platform/systemencoding.h"
#include "core/press/numberedcopies.h"
#include "core/press/outputpath.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/clearverifier.h"
#include "core/verify/foldercensus.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QScopeGuard>
#include <QThread>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <vector>

namespace sealmill {

namespace {

// How far the threads may run ahead of the reports: the results they hold.
constexpr qint64 kResultWindow = 256;
// Room for the armour, the signature and a line break more per line.
constexpr qint64 kSignatureRoom = qint64{64} * 1024;
constexpr std::chrono::milliseconds kStopPoll{50};

QByteArrayView withoutBreak(QByteArrayView line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    while (line.endsWith(' ') || line.endsWith('\t')) {
        line.chop(1);
    }
    return line;
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The largest file that could be the signed copy of `copy`: dash-escaping
// adds two bytes to a line, a CR one more.
qint64 sizeBound(QByteArrayView copy) {
    return copy.size() + 3 * (copy.count('\n') + 1) + kSignatureRoom;
}

// One thread's tools: its own RNP context and its own copies.
struct Checker {
    NumberedCopies copies;
    ClearVerifier verifier;
    QString outputDir;
    QString pattern;
    const RegisterReading* issued = nullptr;

    std::optional<CopyProblem> check(qint64 serial);
    // The same; what RNP or memory could not do is this number's problem.
    std::optional<CopyProblem> checkOrExplain(qint64 serial);
    std::optional<CopyProblem> registered(CopyProblem problem, QByteArrayView message) const;
};

std::optional<CopyProblem> Checker::check(qint64 serial) {
    CopyProblem problem;
    problem.serial = serial;
    problem.file = outputFilePath(outputDir, pattern, serial);
    const QByteArray path = encodeLocal(problem.file);
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        problem.problem = errno == ENOENT ? Problem::Missing : Problem::Unreadable;
        problem.detail = errnoText();
        return problem;
    }
    if (!S_ISREG(status.st_mode)) {
        problem.problem = Problem::NotAFile;
        return problem;
    }
    const QByteArray copy = copies.copy(serial);
    const qint64 bound = sizeBound(copy);
    if (status.st_size > bound) {
        problem.problem = Problem::TooLarge;
        problem.detail = QString::number(status.st_size);
        return problem;
    }
    // No following a link put there since, no waiting on a FIFO.
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem.problem = Problem::Unreadable;
        problem.detail = errnoText();
        return problem;
    }
    const auto closeIt = qScopeGuard([fd] { ::close(fd); });
    QByteArray message(bound + 1, Qt::Uninitialized);
    qint64 size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, message.data() + size, message.size() - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            problem.problem = Problem::Unreadable;
            problem.detail = errnoText();
            return problem;
        }
        size += got;
        if (got == 0 || size == message.size()) {
            break;
        }
    }
    if (size > bound) {  // it grew since
        problem.problem = Problem::TooLarge;
        problem.detail = QString::number(size);
        return problem;
    }
    message.truncate(size);
    const ClearVerdict verdict = verifier.verify(message);
    using Status = ClearVerdict::Status;
    switch (verdict.status) {
        case Status::Good:
            problem.line = firstDifferentLine(verdict.text, copy);
            if (problem.line == 0) {
                return registered(problem, message);
            }
            problem.problem = Problem::TextDiffers;
            return problem;
        case Status::NotClearSigned:
            problem.problem = Problem::NotSigned;
            return problem;
        case Status::BadSignature:
            problem.problem = Problem::BadSignature;
            problem.line = firstDifferentLine(verdict.text, copy);
            return problem;
        case Status::OtherKey:
            problem.problem = Problem::OtherKey;
            problem.detail = QStringLiteral("key id %1").arg(verdict.signerKeyId);
            return problem;
        case Status::KeyNotValid:
            problem.problem = Problem::KeyNotValid;
            return problem;
    }
    return std::nullopt;
}

std::optional<CopyProblem> Checker::checkOrExplain(qint64 serial) {
    try {
        return check(serial);
    } catch (const SealmillError& error) {
        return CopyProblem{serial, outputFilePath(outputDir, pattern, serial), Problem::Unreadable,
                           0, error.message()};
    } catch (const std::bad_alloc&) {
        return CopyProblem{serial, outputFilePath(outputDir, pattern, serial), Problem::Unreadable,
                           0, QStringLiteral("out of memory")};
    }
}

// What the register says of a good copy.
std::optional<CopyProblem> Checker::registered(CopyProblem problem, QByteArrayView message) const {
    if (issued == nullptr) {
        return std::nullopt;
    }
    const auto entry = issued->entries.constFind(problem.serial);
    if (entry == issued->entries.cend()) {
        problem.problem = Problem::NotRegistered;
        return problem;
    }
    if (QCryptographicHash::hash(message, QCryptographicHash::Sha256).toHex() != entry->sha256) {
        problem.problem = Problem::HashDiffers;
        return problem;
    }
    return std::nullopt;
}

// What the register names that is not there, and its broken lines.
QList<CopyProblem> registerStrays(const BatchCheckSettings& settings, const QString& outputDir) {
    QList<CopyProblem> strays;
    if (settings.issued == nullptr) {
        return strays;
    }
    for (const qsizetype line : settings.issued->brokenLines) {
        CopyProblem broken;
        broken.file = settings.registerPath;
        broken.problem = Problem::BrokenRegisterLine;
        broken.line = line;
        strays << broken;
    }
    QList<qint64> outside;
    for (auto it = settings.issued->entries.cbegin(); it != settings.issued->entries.cend(); ++it) {
        if (it.key() < settings.first || it.key() > settings.last) {
            outside << it.key();
        }
    }
    std::sort(outside.begin(), outside.end());
    for (const qint64 serial : std::as_const(outside)) {
        CopyProblem missing;
        missing.serial = serial;
        missing.file = outputFilePath(outputDir, settings.namePattern, serial);
        missing.problem = Problem::RegisteredMissing;
        struct stat status {};
        if (::lstat(encodeLocal(missing.file).constData(), &status) != 0) {
            strays << missing;
        }
    }
    return strays;
}

// The results of the numbers under way, handed from the checking threads to
// the reporting one in order; the threads wait rather than run further ahead.
class ResultWindow {
public:
    explicit ResultWindow(qint64 first) : next_(first), reported_(first), slots_(kResultWindow) {}

    // The next number to check; false when none is left or the check stops.
    bool take(qint64 last, qint64& serial) {
        std::unique_lock lock(mutex_);
        serial = next_++;
        roomy_.wait(lock, [&] { return stop_ || serial < reported_ + kResultWindow; });
        return !stop_ && serial <= last;
    }

    void put(qint64 serial, std::optional<CopyProblem> result) {
        const std::lock_guard lock(mutex_);
        slots_[static_cast<size_t>(serial % kResultWindow)] = Slot{true, std::move(result)};
        ready_.notify_all();
    }

    // The result of the next number; false when `stopping` said stop first.
    bool next(std::optional<CopyProblem>& result, const std::function<bool()>& stopping) {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_[static_cast<size_t>(reported_ % kResultWindow)];
        while (!ready_.wait_for(lock, kStopPoll, [&] { return slot.done; })) {
            if (stopping()) {
                stop_ = true;
                roomy_.notify_all();
                return false;
            }
        }
        result = std::move(slot.result);
        slot = Slot{};
        ++reported_;
        roomy_.notify_all();
        return true;
    }

    void stop() {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        roomy_.notify_all();
    }

private:
    struct Slot {
        bool done = false;
        std::optional<CopyProblem> result;
    };
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable roomy_;
    qint64 next_;
    qint64 reported_;
    bool stop_ = false;
    std::vector<Slot> slots_;
};

}  // namespace

qsizetype firstDifferentLine(QByteArrayView signedText, QByteArrayView copy) {
    if (copy.endsWith('\n')) {
        copy.chop(copy.endsWith("\r\n") ? 2 : 1);
    }
    qsizetype line = 1;
    qsizetype a = 0;
    qsizetype b = 0;
    for (;; ++line) {
        qsizetype endA = signedText.indexOf('\n', a);
        qsizetype endB = copy.indexOf('\n', b);
        endA = endA < 0 ? signedText.size() : endA;
        endB = endB < 0 ? copy.size() : endB;
        if (withoutBreak(signedText.sliced(a, endA - a)) !=
            withoutBreak(copy.sliced(b, endB - b))) {
            return line;
        }
        const bool lastA = endA == signedText.size();
        const bool lastB = endB == copy.size();
        if (lastA || lastB) {
            return lastA == lastB ? 0 : line + 1;
        }
        a = endA + 1;
        b = endB + 1;
    }
}

BatchCheckSummary checkBatch(const TemplateFileText& text, const VerifyingKey& key,
                             const BatchCheckSettings& settings, BatchCheckSink& sink) {
    const QString outputDir = outputDirectory(settings.outputDirectory);
    // Read first: a folder that cannot be read cannot be checked.
    const QList<CopyProblem> strays =
        strayFiles(outputDir, settings.namePattern, settings.first, settings.last) +
        registerStrays(settings, outputDir);
    const qint64 count = settings.last - settings.first + 1;
    const int threads = static_cast<int>(std::clamp<qint64>(
        settings.threads > 0 ? settings.threads : QThread::idealThreadCount(), 1, count));
    // Made here, so that what cannot be made stops the check before it starts.
    std::vector<std::unique_ptr<Checker>> checkers;
    checkers.reserve(threads);
    for (int i = 0; i < threads; ++i) {
        checkers.push_back(std::unique_ptr<Checker>(
            new Checker{NumberedCopies(text), ClearVerifier(key), outputDir, settings.namePattern,
                        settings.issued}));
    }

    ResultWindow window(settings.first);
    std::vector<std::jthread> workers;
    workers.reserve(checkers.size());
    for (const auto& checker : checkers) {
        workers.emplace_back([&window, &checker = *checker, last = settings.last] {
            qint64 serial = 0;
            while (window.take(last, serial)) {
                window.put(serial, checker.checkOrExplain(serial));
            }
        });
    }
    const auto stopAll = qScopeGuard([&window] { window.stop(); });

    BatchCheckSummary summary;
    std::optional<CopyProblem> result;
    for (qint64 serial = settings.first; serial <= settings.last; ++serial) {
        if (!window.next(result, [&sink] { return sink.stopRequested(); })) {
            summary.stopped = true;
            return summary;
        }
        ++summary.checked;
        if (result) {
            sink.found(*result);
        } else {
            ++summary.good;
        }
        sink.checked(serial);
    }
    for (const CopyProblem& stray : strays) {
        sink.found(stray);
    }
    summary.strays = strays.size();
    return summary;
}

}  // namespace sealmill
