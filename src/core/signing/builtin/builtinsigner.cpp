// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/builtinsigner.h"

#include "core/platform/secretbytes.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/rnplog.h"
#include "core/signing/builtin/signingkey.h"

#include <QThread>
#include <system_error>

namespace sealmill {

BuiltinSigner::BuiltinSigner(QObject* parent)
    : Signer(parent), workerCount_(std::max(1, QThread::idealThreadCount())) {
    // Here, before the worker thread exists, not while other threads write.
    RnpLog::route();
}

BuiltinSigner::~BuiltinSigner() {
    stop();
    release();
}

void BuiltinSigner::prepare(SigningSetup setup) {
    stopping_ = false;
    ++runCount_;
    // Shared only to fit in a task; the unlock wipes it.
    auto passPhrase = std::make_shared<SecretBytes>(std::move(setup.passPhrase));
    if (passPhrase->view().contains('\0')) {
        passPhrase->clear();
        Q_EMIT prepared(SignerResult::failed(kNulInPassPhrase));
        return;
    }
    const auto unlock = [this, keyId = setup.keyId, keyFile = keyFile_, passPhrase] {
        SignerResult result = SignerResult::succeeded();
        const KeySource source =
            keyFile.isEmpty() ? KeySource{KeyringKey{keyId, {}}} : KeySource{KeyFile{keyFile}};
        try {
            auto loaded = loadSigningKey(source, std::move(*passPhrase), &stopping_);
            if (auto* failure = std::get_if<KeyFailure>(&loaded)) {
                result = SignerResult::failed(failure->message, failure->details);
            } else {
                key_ = std::move(std::get<std::unique_ptr<SigningKey>>(loaded));
            }
        } catch (const SealmillError& failure) {
            result = SignerResult::failed(failure.message(), failure.details());
        }
        QMetaObject::invokeMethod(
            this, [this, result] { Q_EMIT prepared(result); }, Qt::QueuedConnection);
    };
    workers_.clear();
    idle_.clear();
    for (int i = 0; i < workerCount_; ++i) {
        workers_.push_back(std::make_unique<Worker>());
        // The first, which unlocks the key, is the first to sign.
        idle_.push_back(static_cast<size_t>(workerCount_ - 1 - i));
    }
    try {
        workers_.front()->thread.post(unlock);
    } catch (const std::system_error&) {  // the system is out of threads or memory
        Q_EMIT prepared(SignerResult::failed(QStringLiteral("Cannot start a thread to sign on")));
    }
}

void BuiltinSigner::sign(const SigningTask& task) {
    Q_ASSERT(!idle_.empty());  // no more than concurrentSigns() at once
    const size_t worker = idle_.back();
    idle_.pop_back();
    try {
        signOn(worker, task);
    } catch (const std::system_error&) {  // the system is out of threads or memory
        idle_.push_back(worker);
        QMetaObject::invokeMethod(
            this,
            [this, serial = task.serial] {
                Q_EMIT signingEnded(
                    serial,
                    SignerResult::failed(QStringLiteral("Cannot start a thread to sign on")), {});
            },
            Qt::QueuedConnection);
    }
}

// The copy comes back in memory: the job writes it into the folder it opened,
// so a full disk is a file failure like any other.
void BuiltinSigner::signOn(size_t worker, const SigningTask& task) {
    Worker& on = *workers_.at(worker);
    on.thread.post([this, &on, worker, task, run = runCount_] {
        SignerResult result = SignerResult::succeeded();
        QByteArray signedCopy;
        try {
            // Each worker unlocks its own copy of the key on its first copy.
            if (!on.signer) {
                on.signer = key_->newSigner();
            }
            signedCopy = on.signer->clearSign(task.copy);
        } catch (const SealmillError& failure) {
            result = SignerResult::failed(failure.message(), failure.details());
        }
        QMetaObject::invokeMethod(
            this,
            [this, worker, run, serial = task.serial, result, signedCopy] {
                if (run != runCount_) {
                    return;  // the run it belonged to was released
                }
                idle_.push_back(worker);
                Q_EMIT signingEnded(serial, result, signedCopy);
            },
            Qt::QueuedConnection);
    });
}

void BuiltinSigner::stop() {
    stopping_ = true;
}

// The unlocked key goes as soon as the run is over, and with it the threads
// that used it and everything on their stacks.
void BuiltinSigner::release() {
    ++runCount_;
    for (const std::unique_ptr<Worker>& worker : workers_) {
        if (worker->thread.isRunning()) {
            worker->thread.post([&worker] { worker->signer.reset(); });
        }
        worker->thread.finish();
    }
    workers_.clear();
    idle_.clear();
    key_.reset();
}

}  // namespace sealmill
