// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "signerbench.h"

#include "core/signing/builtin/signingkey.h"
#include "core/signing/program/programsigner.h"
#include "gnupghome.h"
#include "referenceloops.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <optional>
#include <thread>

using namespace sealmill;

namespace {

double msSince(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

QByteArray numberedCopy(const BenchTemplate& text, int serial) {
    return text.pieces.join(QByteArray::number(serial));
}

bool writeNewFile(const QString& path, const QByteArray& bytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(fd) == 0 && written;
}

// One signature by a signer program, waited for from the event loop.
bool signedByProgram(const SigningTask& task) {
    ProgramSigner signer;
    signer.prepare({{}, SecretBytes(GnupgHome::passPhrase().toUtf8())});
    std::optional<SignerResult> ended;
    QObject::connect(&signer, &Signer::signingEnded,
                     [&ended](qint64 /*serial*/, const SignerResult& result) { ended = result; });
    signer.sign(task);
    while (!ended) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return ended->status == SignerResult::Status::Succeeded;
}

// A whole sealmill-press run over the numbers 1 to `numbers` into the empty
// `dir`, under GNU time for the process's peak resident size: milliseconds
// per number and MiB, or negative values when the run failed.
std::pair<double, double> pressRun(const QString& templateFile, const QString& keyFile,
                                   const QString& dir, int numbers, const QStringList& mode) {
    const QString peakFile = dir + QStringLiteral(".peak");
    QProcess press;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SEALMILL_PASSPHRASE"), GnupgHome::passPhrase());
    press.setProcessEnvironment(environment);
    press.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    press.start(
        QStringLiteral("/usr/bin/time"),
        QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), peakFile,
                    QStringLiteral(SEALMILL_PRESS_PROGRAM), QStringLiteral("--quiet"),
                    QStringLiteral("--template"), templateFile, QStringLiteral("--from"),
                    QStringLiteral("1"), QStringLiteral("--to"), QString::number(numbers),
                    QStringLiteral("--key-file"), keyFile, QStringLiteral("--output"), dir} +
            mode);
    const bool ran = press.waitForFinished(-1) && press.exitStatus() == QProcess::NormalExit &&
                     press.exitCode() == 0;
    const double ms = msSince(clock) / numbers;
    QFile peak(peakFile);
    bool read = false;
    const double kib =
        peak.open(QIODevice::ReadOnly) ? peak.readAll().trimmed().toDouble(&read) : 0;
    peak.remove();
    return ran && read ? std::pair{ms, kib / 1024} : std::pair{-1.0, -1.0};
}

std::unique_ptr<SigningKey> loaded(const KeySource& source) {
    auto key = loadSigningKey(source, SecretBytes(GnupgHome::passPhrase().toUtf8()));
    auto* signingKey = std::get_if<std::unique_ptr<SigningKey>>(&key);
    return signingKey != nullptr ? std::move(*signingKey) : nullptr;
}

// Milliseconds per signature of `count` signatures of `copy`; the last one
// is left in `signedCopy`, once gpg found it good.
double signatureMs(const GnupgHome& home, ClearSigner& signer, const QByteArray& copy, int count,
                   const QString& check, const QString& fingerprint, QByteArray& signedCopy) {
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < count; ++n) {
        signedCopy = signer.clearSign(copy);
    }
    const double ms = msSince(clock) / count;
    const bool good = writeNewFile(check, signedCopy) && home.goodSignatureBy(check) == fingerprint;
    QFile::remove(check);
    return good ? ms : -1;
}

double timed(const std::function<bool()>& step) {
    QElapsedTimer clock;
    clock.start();
    return step() ? msSince(clock) : -1;
}

// One pgpgpg signature of `work`, the mean of 20, each into a new file in `dir`.
double pgpgpgMs(const QString& work, const QString& dir, int& file) {
    constexpr int kSignatures = 20;
    return timed([&] {
               for (int n = 0; n < kSignatures; ++n) {
                   SigningTask task;
                   task.program = GnupgHome::pgpgpgProgram();
                   task.workFile = work;
                   task.keyId = GnupgHome::userId();
                   task.signedFile = dir + QStringLiteral("/pgp-%1.asc").arg(++file);
                   if (!signedByProgram(task)) {
                       return false;
                   }
               }
               return true;
           }) /
           kSignatures;
}

// Botan's own RSA 3072 signature in milliseconds, as its command-line tool
// measures it; negative without the tool.
double botanRsaMs() {
    QProcess botan;
    botan.start(QStringLiteral("botan"),
                {QStringLiteral("speed"), QStringLiteral("--msec=1000"), QStringLiteral("RSA")});
    if (!botan.waitForFinished(-1)) {
        return -1;
    }
    // "RSA-3072 EMSA-PKCS1-v1_5(SHA-256) 350 sign/sec; 2.86 ms/op ..."
    static const QRegularExpression line(
        QStringLiteral(R"(RSA-3072 \S+ \d+ sign/sec; ([\d.]+) ms/op)"));
    const QRegularExpressionMatch match =
        line.match(QString::fromUtf8(botan.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').first())
                                          : QStringLiteral("?");
}

}  // namespace

SignerFigures measureSigner(const BenchTemplate& text, const QString& dir, int reps, int numbers,
                            int largeNumbers) {
    using F = SignerFigures;
    SignerFigures figures;
    figures.values.fill(-1);
    GnupgHome home(3072);
    if (!home.isReady() || GnupgHome::pgpgpgProgram().isEmpty()) {
        figures.error = home.isReady() ? QStringLiteral("pgpgpg is not installed") : home.error();
        return figures;
    }
    const QString keyFile = dir + QStringLiteral("/key.gpg");
    const QString rsaKeyFile = dir + QStringLiteral("/rsa.gpg");
    const QString work = dir + QStringLiteral("/work.txt");
    const QString templateFile = dir + QStringLiteral("/template.txt");
    const QByteArray copy = numberedCopy(text, 1);
    if (!writeNewFile(keyFile, home.exportedSecretKey(home.fingerprint(), false)) ||
        !writeNewFile(rsaKeyFile, home.exportedSecretKey(home.rsaFingerprint(), false)) ||
        !writeNewFile(work, copy) || !writeNewFile(templateFile, text.pieces.join("@SERIAL@"))) {
        figures.error = QStringLiteral("cannot write to %1").arg(dir);
        return figures;
    }
    const KeyringKey ed25519{GnupgHome::userId(), {}};
    const KeyringKey rsa{home.rsaFingerprint(), {}};
    const int rsaNumbers = std::max(2, numbers / 5);
    const QString cores = QString::number(std::thread::hardware_concurrency());
    std::array<QList<double>, F::Count> runs;
    // Each step in a new folder, the disk work of the steps before it done.
    int folders = 0;
    const auto inNewFolder = [&](const std::function<void(const QString&)>& step) {
        const QString folder = dir + QStringLiteral("/run-%1").arg(++folders);
        (void)QDir().mkpath(folder);
        ::sync();
        step(folder);
        QDir(folder).removeRecursively();
    };
    const auto press = [&](const QString& keyPath, int count, const QStringList& mode,
                           F::Figure time, F::Figure peak = F::Count) {
        inNewFolder([&](const QString& folder) {
            const auto [ms, mib] = pressRun(templateFile, keyPath, folder, count, mode);
            runs.at(time) << ms;
            if (peak != F::Count) {
                runs.at(peak) << mib;
            }
        });
    };
    const QStringList builtin{QStringLiteral("--builtin-signer")};
    runs.at(F::BotanRsa) << botanRsaMs();
    int file = 0;
    for (int rep = 0; rep < reps; ++rep) {
        runs.at(F::Pgpgpg) << pgpgpgMs(work, dir, file);
        runs.at(F::Keyring) << timed([&] { return loaded(ed25519) != nullptr; });
        runs.at(F::Unlock) << timed([&] { return loaded(KeyFile{keyFile}) != nullptr; });
        runs.at(F::FirstFile) << timed([&] {
            const std::unique_ptr<SigningKey> key = loaded(ed25519);
            return key && writeNewFile(dir + QStringLiteral("/first-%1.asc").arg(++file),
                                       key->newSigner()->clearSign(copy));
        });
        const std::unique_ptr<SigningKey> key = loaded(ed25519);
        const std::unique_ptr<SigningKey> rsaKey = loaded(rsa);
        if (!key || !rsaKey) {
            return figures;
        }
        const QString check = dir + QStringLiteral("/check.asc");
        QByteArray signedCopy;
        runs.at(F::RawEd25519) << signatureMs(home, *key->newSigner(), copy, numbers, check,
                                              key->fingerprint(), signedCopy);
        inNewFolder([&](const QString& folder) {
            runs.at(F::Publication) << publicationLoopMs(folder, numbers, signedCopy);
        });
        // The first signature with a new RSA signer checks the key's numbers.
        std::unique_ptr<ClearSigner> rsaSigner;
        runs.at(F::RsaReady) << timed([&] {
            rsaSigner = rsaKey->newSigner();
            return !rsaSigner->clearSign(copy).isEmpty();
        });
        QByteArray rsaCopy;
        runs.at(F::RawRsa) << signatureMs(home, *rsaSigner, copy, std::max(2, rsaNumbers / 10),
                                          check, rsaKey->fingerprint(), rsaCopy);
        inNewFolder([&](const QString& folder) {
            const auto [ms, mib] = pressRun(templateFile, keyFile, folder, numbers, builtin);
            runs.at(F::Ed25519Run) << ms;
            runs.at(F::Ed25519Peak) << mib;
            runs.at(F::VerifyRun) << pressRun(templateFile, keyFile, folder, numbers,
                                              {QStringLiteral("--verify")})
                                         .first;
        });
        press(rsaKeyFile, rsaNumbers,
              builtin + QStringList{QStringLiteral("--jobs"), QStringLiteral("1")},
              F::RsaOneWorker);
        figures.loads += (rep > 0 ? QStringLiteral(", ") : QString()) + loadAverage();
        press(rsaKeyFile, rsaNumbers, builtin + QStringList{QStringLiteral("--jobs"), cores},
              F::RsaAllWorkers);
        press(keyFile, 1000, builtin, F::ThousandRun, F::ThousandPeak);
    }
    if (largeNumbers > 0) {
        press(keyFile, largeNumbers, builtin, F::LargeRun, F::LargePeak);
    }
    for (int f = 0; f < F::Count; ++f) {
        const QList<double>& values = runs.at(f);
        const bool failed = values.isEmpty() || std::any_of(values.cbegin(), values.cend(),
                                                            [](double v) { return v < 0; });
        figures.values.at(f) = failed ? -1 : median(values);
    }
    return figures;
}
