// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/wipedthread.h"
#include "core/signing/signer.h"

#include <atomic>
#include <memory>

namespace sealmill {

class ClearSigner;
class SigningKey;

// Signs inside the program with the user's own OpenPGP key: the key is found
// and unlocked once per run, each copy is clear-signed in memory, and no pass
// phrase goes on any command line. The slow parts (gpg's export, the unlock,
// each signature and its file) run on a thread of their own, one at a time,
// so the window stays responsive and the numbers stay in order. That thread
// lives from prepare() to release() and takes its stack with it.
class BuiltinSigner final : public Signer {
    Q_OBJECT

public:
    explicit BuiltinSigner(QObject* parent = nullptr);
    ~BuiltinSigner() override;  // stop() and release()
    Q_DISABLE_COPY_MOVE(BuiltinSigner)

    // A file of exported secret keys to take the key from, instead of the
    // keyring of the user's GnuPG home (the key identifier is then not used).
    void setKeyFile(const QString& path) { keyFile_ = path; }

    [[nodiscard]] bool canStart(const QString& /*program*/) const override { return true; }
    [[nodiscard]] bool readsWorkFile() const override { return false; }
    void prepare(SigningSetup setup) override;
    void sign(const SigningTask& task) override;
    // Ends gpg at once (SIGTERM, SIGKILL kGpgStopGrace later); the step
    // under way then reports. A signature takes a fraction of a millisecond.
    void stop() override;
    // Destroys the unlocked key and the RNP contexts that held it, and ends
    // the worker thread; waits for the step under way.
    void release() override;

private:
    WipedThread worker_;
    std::atomic<bool> stopping_{false};
    QString keyFile_;
    // Only the worker thread touches these while a run is under way.
    std::unique_ptr<SigningKey> key_;
    std::unique_ptr<ClearSigner> signer_;
};

}  // namespace sealmill
