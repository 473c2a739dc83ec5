// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/wipedthread.h"
#include "core/signing/signer.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace sealmill {

class ClearSigner;
class SigningKey;

// Signs inside the program with the user's own OpenPGP key: the key is found
// and unlocked once per run, each copy is clear-signed in memory, and no pass
// phrase goes on any command line. The slow parts (gpg's export, the unlock,
// the signatures) run on signing threads of their own, so the window stays
// responsive: one copy at a time on each, each with its own copy of the
// unlocked key. The threads live from prepare() to release() and take their
// stacks with them.
class BuiltinSigner final : public Signer {
    Q_OBJECT

public:
    explicit BuiltinSigner(QObject* parent = nullptr);
    ~BuiltinSigner() override;  // stop() and release()
    Q_DISABLE_COPY_MOVE(BuiltinSigner)

    // A file of exported secret keys to take the key from, instead of the
    // keyring of the user's GnuPG home (the key identifier is then not used).
    void setKeyFile(const QString& path) { keyFile_ = path; }

    // How many copies are signed at once; by default one per processor core.
    // Takes effect at the next prepare().
    void setWorkerCount(int count) { workerCount_ = std::max(1, count); }

    [[nodiscard]] bool canStart(const QString& /*program*/) const override { return true; }
    [[nodiscard]] bool readsWorkFile() const override { return false; }
    [[nodiscard]] int concurrentSigns() const override { return workerCount_; }
    void prepare(SigningSetup setup) override;
    void sign(const SigningTask& task) override;
    // Ends gpg at once (SIGTERM, SIGKILL kGpgStopGrace later); the step
    // under way then reports. A signature takes milliseconds at most.
    void stop() override;
    // Destroys the unlocked key and the RNP contexts that held it, and ends
    // the signing threads; waits for the signatures under way.
    void release() override;

private:
    struct Worker {
        WipedThread thread;
        std::unique_ptr<ClearSigner> signer;  // made and used on `thread` only
    };

    void signOn(size_t worker, const SigningTask& task);

    int workerCount_;
    std::atomic<bool> stopping_{false};
    QString keyFile_;
    // Set by the first worker's unlock, then only read, by every worker.
    std::unique_ptr<SigningKey> key_;
    std::vector<std::unique_ptr<Worker>> workers_;  // from prepare() to release()
    std::vector<size_t> idle_;                      // workers with nothing to sign
    int runCount_ = 0;  // tells a late signature of an earlier run from the current run's
};

}  // namespace sealmill
