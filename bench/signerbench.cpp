// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "signerbench.h"

#include "core/signing/builtin/signingkey.h"
#include "core/signing/program/programsigner.h"
#include "gnupghome.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// A whole sealmill-press run with the built-in signer, unlock included.
// `checking`: sealmill-press --verify of what such a run pressed in `dir`.
bool builtinPressRun(const QString& templateFile, const QString& dir, int numbers,
                     bool checking = false) {
    QProcess press;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SEALMILL_PASSPHRASE"), GnupgHome::passPhrase());
    press.setProcessEnvironment(environment);
    press.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    press.start(QStringLiteral(SEALMILL_PRESS_PROGRAM),
                {QStringLiteral("--quiet"), QStringLiteral("--template"), templateFile,
                 QStringLiteral("--from"), QStringLiteral("1"), QStringLiteral("--to"),
                 QString::number(numbers), QStringLiteral("--key"), GnupgHome::userId(),
                 QStringLiteral("--output"), dir,
                 checking ? QStringLiteral("--verify") : QStringLiteral("--builtin-signer")});
    return press.waitForFinished(-1) && press.exitStatus() == QProcess::NormalExit &&
           press.exitCode() == 0;
}

std::unique_ptr<SigningKey> loaded(const KeySource& source) {
    auto key = loadSigningKey(source, SecretBytes(GnupgHome::passPhrase().toUtf8()));
    auto* signingKey = std::get_if<std::unique_ptr<SigningKey>>(&key);
    return signingKey != nullptr ? std::move(*signingKey) : nullptr;
}

// Milliseconds per signature of `count` numbered copies shared by `signers`,
// one thread each; the last signature of each thread is checked with gpg.
double signedMs(const GnupgHome& home, const BenchTemplate& text, const QString& dir,
                const std::vector<ClearSigner*>& signers, int count, bool toFile,
                const QString& fingerprint) {
    std::vector<QByteArray> last(signers.size());
    std::vector<bool> failed(signers.size(), false);
    const auto sign = [&](size_t t) {
        for (int n = static_cast<int>(t); n < count; n += static_cast<int>(signers.size())) {
            last[t] = signers[t]->clearSign(numberedCopy(text, n + 1));
            if (toFile && !writeNewFile(dir + QStringLiteral("/signed-%1.asc").arg(n), last[t])) {
                failed[t] = true;
            }
        }
    };
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> threads;
    for (size_t t = 1; t < signers.size(); ++t) {
        threads.emplace_back(sign, t);
    }
    sign(0);
    for (std::thread& thread : threads) {
        thread.join();
    }
    const double ms = msSince(clock) / count;
    for (size_t t = 0; t < signers.size(); ++t) {
        const QString check = dir + QStringLiteral("/check-%1.asc").arg(t);
        if (failed[t] || !writeNewFile(check, last[t]) ||
            home.goodSignatureBy(check) != fingerprint) {
            return -1;
        }
        QFile::remove(check);
    }
    return ms;
}

double timed(const std::function<bool()>& step) {
    QElapsedTimer clock;
    clock.start();
    return step() ? msSince(clock) : -1;
}

}  // namespace

SignerFigures measureSigner(const BenchTemplate& text, const QString& dir, int reps,
                            int signatures) {
    SignerFigures figures;
    GnupgHome home(3072);
    if (!home.isReady() || GnupgHome::pgpgpgProgram().isEmpty()) {
        figures.error = home.isReady() ? QStringLiteral("pgpgpg is not installed") : home.error();
        return figures;
    }
    const QString keyFile = dir + QStringLiteral("/key.gpg");
    const QString work = dir + QStringLiteral("/work.txt");
    if (!writeNewFile(keyFile, home.exportedSecretKey(home.fingerprint(), false)) ||
        !writeNewFile(work, numberedCopy(text, 1))) {
        figures.error = QStringLiteral("cannot write to %1").arg(dir);
        return figures;
    }
    const KeyringKey ed25519{GnupgHome::userId(), {}};
    const KeyringKey rsa{home.rsaFingerprint(), {}};
    const QString templateFile = dir + QStringLiteral("/template.txt");
    if (!writeNewFile(templateFile, text.pieces.join("@SERIAL@"))) {
        figures.error = QStringLiteral("cannot write to %1").arg(dir);
        return figures;
    }
    QList<QList<double>> runs(11);
    int file = 0;
    for (int rep = 0; rep < reps; ++rep) {
        runs[0] << timed([&] {
                       constexpr int kNumbers = 20;
                       for (int n = 0; n < kNumbers; ++n) {
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
                   }) / 20;
        runs[1] << timed([&] { return loaded(ed25519) != nullptr; });
        runs[2] << timed([&] { return loaded(KeyFile{keyFile}) != nullptr; });
        runs[3] << timed([&] {
            const std::unique_ptr<SigningKey> key = loaded(ed25519);
            return key && writeNewFile(dir + QStringLiteral("/first-%1.asc").arg(++file),
                                       key->newSigner()->clearSign(numberedCopy(text, 1)));
        });
        const std::unique_ptr<SigningKey> key = loaded(ed25519);
        const std::unique_ptr<SigningKey> rsaKey = loaded(rsa);
        if (!key || !rsaKey) {
            return figures;
        }
        const std::unique_ptr<ClearSigner> signer = key->newSigner();
        runs[4] << signedMs(home, text, dir, {signer.get()}, signatures, false, key->fingerprint());
        const QString files = dir + QStringLiteral("/files-%1").arg(rep);
        (void)QDir().mkpath(files);
        // Files removed before still cost the disk work: not this run's.
        ::sync();
        runs[5] << signedMs(home, text, files, {signer.get()}, signatures, true,
                            key->fingerprint());
        QDir(files).removeRecursively();
        // The first signature with a new RSA signer checks the key's numbers.
        std::unique_ptr<ClearSigner> rsa1;
        runs[6] << timed([&] {
            rsa1 = rsaKey->newSigner();
            return !rsa1->clearSign(numberedCopy(text, 1)).isEmpty();
        });
        const std::unique_ptr<ClearSigner> rsa2 = rsaKey->newSigner();
        (void)rsa2->clearSign(numberedCopy(text, 1));
        const int rsaSignatures = std::max(2, signatures / 10);
        runs[7] << signedMs(home, text, dir, {rsa1.get()}, rsaSignatures, false,
                            rsaKey->fingerprint());
        runs[8] << signedMs(home, text, dir, {rsa1.get(), rsa2.get()}, rsaSignatures, false,
                            rsaKey->fingerprint());
        const QString pressed = dir + QStringLiteral("/pressed-%1").arg(rep);
        (void)QDir().mkpath(pressed);
        ::sync();
        runs[9] << timed([&] { return builtinPressRun(templateFile, pressed, signatures); }) /
                       signatures;
        runs[10] << timed([&] {
                        return builtinPressRun(templateFile, pressed, signatures, true);
                    }) / signatures;
        QDir(pressed).removeRecursively();
    }
    const auto figure = [&runs](int i) {
        return std::any_of(runs[i].cbegin(), runs[i].cend(), [](double v) { return v < 0; })
                   ? -1
                   : median(runs[i]);
    };
    figures.pgpgpg = figure(0);
    figures.keyring = figure(1);
    figures.unlock = figure(2);
    figures.firstFile = figure(3);
    figures.inMemory = figure(4);
    figures.toFile = figure(5);
    figures.rsaReady = figure(6);
    figures.rsaOneThread = figure(7);
    figures.rsaTwoThreads = figure(8);
    figures.pressRun = figure(9);
    figures.verifyRun = figure(10);
    return figures;
}
