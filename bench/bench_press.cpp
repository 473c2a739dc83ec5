// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Speed and memory of a press run against the cheapest way to do the same
// work, printed as a markdown table: `./dev bench` (options: --reps N,
// --numbers N for the small template (default 1000) and the built-in signer's ed25519 runs
// (default 10000; its RSA runs take a fifth as many), --numbers-large N for its one run that shows
// memory and time growing with the numbers (default 100000, 0 for none), --only 13 for sections 1
// and 3).
// Every figure is the median of N repetitions, the methods taking turns within each repetition so
// that a busy moment of the machine hits all of them alike. Exits 1 when a target is missed.
#include "app/appwindows.h"
#include "benchdialogs.h"
#include "benchtemplate.h"
#include "programruns.h"
#include "referenceloops.h"
#include "signerbench.h"

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>
#include <thread>

namespace {

constexpr qsizetype kKiB = 1024;
constexpr qsizetype kMiB = 1024 * kKiB;

struct Options {
    int reps = 5;
    int numbers = 0;                             // 0: each section's own count
    int largeNumbers = 100000;                   // section 5's run of many numbers; 0: none
    QString sections = QStringLiteral("12345");  // which of the five to measure
};

Options parseOptions(const QStringList& args) {
    Options options;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == u"--reps") {
            options.reps = std::max(1, args.at(i + 1).toInt());
        } else if (args.at(i) == u"--numbers") {
            options.numbers = std::max(1, args.at(i + 1).toInt());
        } else if (args.at(i) == u"--numbers-large") {
            options.largeNumbers = std::max(0, args.at(i + 1).toInt());
        } else if (args.at(i) == u"--only") {
            options.sections = args.at(i + 1);
        }
    }
    return options;
}

QString firstLineOf(const QString& path, const QString& prefix) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QStringLiteral("?");
    }
    // Files under /proc report no size, so they are read to their end at once.
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(prefix)) {
            return line.mid(line.indexOf(u':') + 1).trimmed();
        }
    }
    return QStringLiteral("?");
}

void printMachine(QTextStream& out) {
    out << "## Machine\n\n"
        << "- CPU: " << firstLineOf(QStringLiteral("/proc/cpuinfo"), QStringLiteral("model name"))
        << ", " << std::thread::hardware_concurrency() << " logical cores\n"
        << "- Memory: " << firstLineOf(QStringLiteral("/proc/meminfo"), QStringLiteral("MemTotal"))
        << "\n"
        << "- System: " << QSysInfo::prettyProductName() << ", kernel " << QSysInfo::kernelVersion()
        << "\n"
        << "- Qt " << qVersion() << ", compiler " << __VERSION__ << ", build "
        << SEALMILL_BUILD_TYPE << "\n"
        << "- Temporary files in " << QDir::tempPath() << " ("
        << QStorageInfo(QDir::tempPath()).fileSystemType() << ")\n\n";
}

// A fresh empty directory per run, so no output file exists yet.
class Scratch {
public:
    QString next() {
        const QString path = root_.filePath(QString::number(++count_));
        QDir().mkpath(path);
        return path;
    }
    [[nodiscard]] QString file(const QString& name) const { return root_.filePath(name); }
    void clear() {
        for (; cleared_ < count_; ++cleared_) {
            QDir(root_.filePath(QString::number(cleared_ + 1))).removeRecursively();
        }
    }

private:
    QTemporaryDir root_{QDir::tempPath() + QStringLiteral("/smb-XXXXXX")};
    int count_ = 0;
    int cleared_ = 0;
};

// Measures each method `reps` times, the methods taking turns in an order
// that rotates, each run's files removed and flushed before the next run
// starts so that no run pays for another's clean-up.
QList<double> medians(int reps, Scratch& scratch, const QList<std::function<double()>>& methods) {
    QList<QList<double>> runs(methods.size());
    for (int rep = 0; rep < reps; ++rep) {
        for (qsizetype turn = 0; turn < methods.size(); ++turn) {
            const qsizetype m = (turn + rep) % methods.size();
            runs[m] << methods.at(m)();
            scratch.clear();
            ::sync();
        }
    }
    QList<double> result;
    for (const QList<double>& values : runs) {
        const bool failed =
            std::any_of(values.cbegin(), values.cend(), [](double v) { return v < 0; });
        result << (failed ? -1 : median(values));
    }
    return result;
}

class Table {
public:
    explicit Table(QTextStream& out) : out_(out) {}
    bool allMet = true;

    QString verdict(double value, double limit) {
        const bool met = value >= 0 && value <= limit;
        allMet = allMet && met;
        return met ? QStringLiteral("met") : QStringLiteral("**missed**");
    }
    static QString fixed(double value, int decimals = 2) {
        return value < 0 ? QStringLiteral("failed") : QString::number(value, 'f', decimals);
    }
    static QString ratio(double value, double reference) {
        return value < 0 || reference <= 0 ? QStringLiteral("failed")
                                           : QString::number(value / reference, 'f', 2);
    }

private:
    QTextStream& out_;
};

void smallTemplate(QTextStream& out, Table& table, const Options& options, AppWindows& windows,
                   BenchDialogs& dialogs, Scratch& scratch) {
    const BenchTemplate text(4 * kKiB, 3);
    const QString file = scratch.file(QStringLiteral("small.txt"));
    const QString signer = QStringLiteral(SEALMILL_COPY_SIGNER);
    (void)text.writeTo(file);
    const int n = options.numbers > 0 ? options.numbers : 1000;
    const QList<double> ms =
        medians(options.reps, scratch,
                {[&] { return spawnLoopMs(text, signer, scratch.next(), n); },
                 [&] { return qprocessLoopMs(text, signer, scratch.next(), n); },
                 [&] { return shellLoopMs(file, signer, scratch.next(), n); },
                 [&] { return commandLineRunMs(file, signer, scratch.next(), n); },
                 [&] { return windowRunMs(windows, dialogs, file, signer, scratch.next(), n); }});
    const double floor = ms[0];
    const double shell = ms[2];
    out << "## 1. Overhead per serial number: 4 KiB template, @SERIAL@ in 3 lines, " << n
        << " numbers\n\n"
        << "| Run | ms per number | ÷ floor | ÷ shell loop | target | |\n"
        << "|---|---:|---:|---:|---|---|\n"
        << "| floor: write work file, posix_spawn, wait, delete | " << Table::fixed(floor, 3)
        << " | 1.00 | " << Table::ratio(floor, shell) << " | reference | |\n"
        << "| the same loop through QProcess | " << Table::fixed(ms[1], 3) << " | "
        << Table::ratio(ms[1], floor) << " | " << Table::ratio(ms[1], shell)
        << " | information | |\n"
        << "| shell loop: sed, signer, rm | " << Table::fixed(shell, 3) << " | "
        << Table::ratio(shell, floor) << " | 1.00 | reference | |\n";
    const auto row = [&](const char* name, double value, double floorLimit) {
        const double ofFloor = floor > 0 ? value / floor : -1;
        const double ofShell = shell > 0 ? value / shell : -1;
        out << "| " << name << " | " << Table::fixed(value, 3) << " | "
            << Table::ratio(value, floor) << " | " << Table::ratio(value, shell) << " | ≤ "
            << Table::fixed(floorLimit) << " × floor, ≤ 0.50 × shell | "
            << table.verdict(ofFloor, floorLimit) << ", " << table.verdict(ofShell, 0.5) << " |\n";
    };
    row("sealmill-press", ms[3], 1.15);
    row("PressRunWindow (window, offscreen)", ms[4], 1.30);
    out << "\n";
}

void largeTemplates(QTextStream& out, Table& table, const Options& options, AppWindows& windows,
                    BenchDialogs& dialogs, Scratch& scratch) {
    constexpr int kNumbers = 20;
    const QString signer = QStringLiteral(SEALMILL_COPY_SIGNER);
    out << "## 2. Large templates: lines of 60 characters, @SERIAL@ in 5 lines, " << kNumbers
        << " numbers\n\n"
        << "| Template | floor ms per number | PressRunWindow ms per number | ÷ floor | target | "
           "| growth per size step | target | |\n"
        << "|---|---:|---:|---:|---|---|---:|---|---|\n";
    double previousMs = -1;
    qsizetype previousSize = 0;
    for (const qsizetype size : {64 * kKiB, kMiB, 8 * kMiB}) {
        const BenchTemplate text(size, 5);
        const QString file = scratch.file(QStringLiteral("large%1.txt").arg(size));
        (void)text.writeTo(file);
        const QList<double> ms = medians(
            options.reps, scratch,
            {[&] { return spawnLoopMs(text, signer, scratch.next(), kNumbers); },
             [&] {
                 return windowRunMs(windows, dialogs, file, signer, scratch.next(), kNumbers);
             }});
        const double ofFloor = ms[0] > 0 && ms[1] >= 0 ? ms[1] / ms[0] : -1;
        out << "| "
            << (size >= kMiB ? QStringLiteral("%1 MiB").arg(size / kMiB)
                             : QStringLiteral("%1 KiB").arg(size / kKiB))
            << " | " << Table::fixed(ms[0]) << " | " << Table::fixed(ms[1]) << " | "
            << Table::ratio(ms[1], ms[0]) << " | ≤ 1.50 | " << table.verdict(ofFloor, 1.5) << " | ";
        if (previousMs > 0 && ms[1] > 0) {
            // Time ratio over size ratio: 1.00 is linear growth, less is slower.
            const double growth = (ms[1] / previousMs) / (static_cast<double>(size) / previousSize);
            out << Table::fixed(growth) << " | ≤ 1.00 (linear) | " << table.verdict(growth, 1.0)
                << " |\n";
        } else {
            out << " | | |\n";
        }
        previousMs = ms[1];
        previousSize = size;
    }
    out << "\n";
}

void memory(QTextStream& out, Table& table, const Options& options, Scratch& scratch) {
    constexpr qsizetype kSize = 64 * kMiB;
    const BenchTemplate text(kSize, 5);
    const QString file = scratch.file(QStringLiteral("memory.txt"));
    (void)text.writeTo(file);
    const QString signer = QStringLiteral(SEALMILL_COPY_SIGNER);
    QList<double> idle;
    QList<double> pressing;
    for (int rep = 0; rep < std::min(options.reps, 3); ++rep) {
        idle << static_cast<double>(peakResidentKiB({}, {}, {}, 0));
        pressing << static_cast<double>(peakResidentKiB(file, signer, scratch.next(), 3));
        scratch.clear();
        ::sync();
    }
    QFile::remove(file);
    const double idleMiB = median(idle) / 1024;
    const double pressMiB = median(pressing) / 1024;
    const double above = pressMiB - idleMiB;
    const bool failed = idleMiB <= 0 || pressMiB <= 0;
    out << "## 3. Memory: peak resident size of the window program\n\n"
        << "| Case | peak MiB | above idle, MiB | ÷ 64 MiB | target | |\n"
        << "|---|---:|---:|---:|---|---|\n"
        << "| idle, empty document | " << Table::fixed(idleMiB, 1) << " | | | | |\n"
        << "| 64 MiB template opened, 3 numbers pressed | " << Table::fixed(pressMiB, 1) << " | "
        << Table::fixed(failed ? -1 : above, 1) << " | " << Table::fixed(failed ? -1 : above / 64)
        << " | ≤ 4.00 | " << table.verdict(failed ? -1 : above / 64, 4.0) << " |\n\n";
}

void editorLoad(QTextStream& out, Table& table, const Options& options, AppWindows& windows,
                BenchDialogs& dialogs, Scratch& scratch) {
    const BenchTemplate text(8 * kMiB, 5);
    const QString file = scratch.file(QStringLiteral("open.txt"));
    (void)text.writeTo(file);
    const QList<double> ms = medians(options.reps, scratch,
                                     {[&] { return readAndDecodeMs(file); },
                                      [&] { return editorOpenMs(windows, dialogs, file); }});
    out << "## 4. Editor load: File > Open of an 8 MiB template until painted\n\n"
        << "| Read and decode alone, ms | Open into the editor, ms | ratio | target | |\n"
        << "|---:|---:|---:|---|---|\n"
        << "| " << Table::fixed(ms[0], 1) << " | " << Table::fixed(ms[1], 1) << " | "
        << Table::ratio(ms[1], ms[0]) << " | ≤ 5.00 | "
        << table.verdict(ms[0] > 0 && ms[1] >= 0 ? ms[1] / ms[0] : -1, 5.0) << " |\n\n";
}

void builtInSigner(QTextStream& out, Table& table, const Options& options, Scratch& scratch) {
    using F = SignerFigures;
    const BenchTemplate text(4 * kKiB, 3);
    const int n = options.numbers > 0 ? options.numbers : 10000;
    const int rsaN = std::max(2, n / 5);
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    const SignerFigures f =
        measureSigner(text, scratch.next(), options.reps, n, options.largeNumbers);
    scratch.clear();
    out << "## 5. Built-in signer: 4 KiB template, keys with a pass phrase, ed25519 and RSA "
           "3072\n\n";
    if (!f.error.isEmpty()) {
        out << "Not measured: " << f.error << "\n\n";
        table.allMet = false;
        return;
    }
    const auto quotient = [](double value, double reference) {
        return value < 0 || reference <= 0 ? -1 : value / reference;
    };
    const double perCopy =
        quotient(f[F::Ed25519Run], std::min(f[F::Publication], f[F::RawEd25519]) < 0
                                       ? -1
                                       : f[F::Publication] + f[F::RawEd25519]);
    const double speedUp = quotient(f[F::RsaOneWorker], f[F::RsaAllWorkers]);
    const double memory = quotient(f[F::LargePeak], f[F::ThousandPeak]);
    const double growth = quotient(f[F::LargeRun], f[F::Ed25519Run]);
    // Without the botan command, RSA runs are held against librnp's own signature.
    const bool botan = f[F::BotanRsa] > 0;
    const double rsaReference = botan ? f[F::BotanRsa] : f[F::RawRsa];
    const QString rsaReferenceName = botan ? QStringLiteral("Botan") : QStringLiteral("librnp");
    const QString botanRow =
        botan ? QStringLiteral(
                    "| Botan's own RSA 3072 signature (`botan speed`), ms | %1 | %2 "
                    "librnp ÷ Botan | reference | |\n")
                    .arg(Table::fixed(f[F::BotanRsa]), Table::ratio(f[F::RawRsa], f[F::BotanRsa]))
              : QString();
    out << "| Step | value | ratio | target | |\n"
        << "|---|---:|---:|---|---|\n"
        << "| pgpgpg, one signature (median of 20), ms | " << Table::fixed(f[F::Pgpgpg], 1)
        << " | 1.00 | reference | |\n"
        << "| bare publication loop: lstat, create, write the signed copy, no-replace rename, "
           "batched flush; ms per number | "
        << Table::fixed(f[F::Publication], 3) << " | | reference | |\n"
        << "| librnp ed25519 signature of the copy in memory, ms | "
        << Table::fixed(f[F::RawEd25519], 3) << " | | reference | |\n"
        << "| librnp RSA 3072 signature of the copy in memory, ms | "
        << Table::fixed(f[F::RawRsa], 2) << " | 1.00 | reference | |\n"
        << botanRow << "| gpg finds and exports the key, RNP unlocks it, ms | "
        << Table::fixed(f[F::Keyring], 1) << " | " << Table::ratio(f[F::Keyring], f[F::Pgpgpg])
        << " ÷ pgpgpg | information | |\n"
        << "| the same from a key file: read and unlock alone, ms | "
        << Table::fixed(f[F::Unlock], 1) << " | " << Table::ratio(f[F::Unlock], f[F::Pgpgpg])
        << " ÷ pgpgpg | information | |\n"
        << "| from the keyring to the first signed file, ms | " << Table::fixed(f[F::FirstFile], 1)
        << " | " << Table::ratio(f[F::FirstFile], f[F::Pgpgpg]) << " ÷ pgpgpg | ≤ 2.00 | "
        << table.verdict(quotient(f[F::FirstFile], f[F::Pgpgpg]), 2.0) << " |\n"
        << "| RSA 3072: a new signer and its first signature, ms | "
        << Table::fixed(f[F::RsaReady], 1) << " | | information | |\n"
        << "| ed25519, " << n
        << " numbers, a whole `sealmill-press --builtin-signer --key-file` run; ms per copy | "
        << Table::fixed(f[F::Ed25519Run], 3) << " | " << Table::fixed(perCopy)
        << " ÷ (publication + signature) | ≤ 1.50 | " << table.verdict(perCopy, 1.5) << " |\n"
        << "| `sealmill-press --verify` of that run's copies, all cores; ms per copy | "
        << Table::fixed(f[F::VerifyRun], 3) << " | "
        << Table::ratio(f[F::VerifyRun], f[F::Ed25519Run]) << " ÷ press run | ≤ 2.00 | "
        << table.verdict(quotient(f[F::VerifyRun], f[F::Ed25519Run]), 2.0) << " |\n"
        << "| RSA 3072, " << rsaN << " numbers, one worker (`--jobs 1`); ms per copy | "
        << Table::fixed(f[F::RsaOneWorker], 2) << " | "
        << Table::ratio(f[F::RsaOneWorker], f[F::RawRsa]) << " ÷ librnp"
        << (botan
                ? QStringLiteral(", %1 ÷ Botan").arg(Table::ratio(f[F::RsaOneWorker], rsaReference))
                : QString())
        << " | ≤ 1.50 × " << rsaReferenceName << " | "
        << table.verdict(quotient(f[F::RsaOneWorker], rsaReference), 1.5) << " |\n"
        << "| the same, " << cores << " workers (`--jobs " << cores
        << "`), load average before: " << f.loads << "; ms per copy | "
        << Table::fixed(f[F::RsaAllWorkers], 2) << " | " << Table::fixed(speedUp)
        << " × one worker's throughput | ≥ " << Table::fixed(0.8 * cores) << " | "
        << table.verdict(quotient(0.8 * cores, speedUp), 1.0) << " |\n"
        << "| ed25519, 1000 numbers: peak resident size, MiB | "
        << Table::fixed(f[F::ThousandPeak], 1) << " | 1.00 | reference | |\n"
        << "| ed25519, " << n << " numbers: peak resident size, MiB | "
        << Table::fixed(f[F::Ed25519Peak], 1) << " | "
        << Table::ratio(f[F::Ed25519Peak], f[F::ThousandPeak])
        << " ÷ 1000 numbers | information | |\n";
    if (options.largeNumbers > 0) {
        out << "| ed25519, " << options.largeNumbers << " numbers: peak resident size, MiB | "
            << Table::fixed(f[F::LargePeak], 1) << " | " << Table::fixed(memory)
            << " ÷ 1000 numbers | ≤ 1.10 | " << table.verdict(memory, 1.1) << " |\n"
            << "| the same run; ms per copy | " << Table::fixed(f[F::LargeRun], 3) << " | "
            << Table::fixed(growth) << " ÷ " << n << " numbers | ≤ 1.10 | "
            << table.verdict(growth, 1.1) << " |\n";
    }
    out << "\n";
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 6 && args.at(1) == u"--memory-child") {
        return runMemoryChild(args.at(2), args.at(3), args.at(4), args.at(5).toInt());
    }
    const Options options = parseOptions(args);

    QTextStream out(stdout);
    out << "# Press run benchmark\n\n";
    printMachine(out);
    out << "Medians of " << options.reps << " repetitions.\n\n";
    out.flush();

    Scratch scratch;
    BenchDialogs dialogs;
    AppWindows windows(dialogs);
    Table table(out);
    const QList<std::function<void()>> sections{
        [&] { smallTemplate(out, table, options, windows, dialogs, scratch); },
        [&] { largeTemplates(out, table, options, windows, dialogs, scratch); },
        [&] { memory(out, table, options, scratch); },
        [&] { editorLoad(out, table, options, windows, dialogs, scratch); },
        [&] { builtInSigner(out, table, options, scratch); }};
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (options.sections.contains(QString::number(i + 1))) {
            sections.at(i)();
            out.flush();
        }
    }
    out << (table.allMet ? "Every target met.\n" : "A target was missed.\n");
    return table.allMet ? 0 : 1;
}
