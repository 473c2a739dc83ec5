// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/builtin/builtinsigner.h"

#include "core/platform/secretbytes.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/rnplog.h"
#include "core/signing/builtin/signingkey.h"

#include <system_error>

namespace sealmill {

BuiltinSigner::BuiltinSigner(QObject* parent) : Signer(parent) {
    // Here, before the worker thread exists, not while other threads write.
    RnpLog::route();
}

BuiltinSigner::~BuiltinSigner() {
    stop();
    release();
}

void BuiltinSigner::prepare(SigningSetup setup) {
    stopping_ = false;
    KeySource source = KeyringKey{setup.keyId, {}};
    if (!keyFile_.isEmpty()) {
        source = KeyFile{keyFile_};
    }
    // Shared only to fit in a task; the unlock wipes it.
    auto passPhrase = std::make_shared<SecretBytes>(std::move(setup.passPhrase));
    if (passPhrase->view().contains('\0')) {
        passPhrase->clear();
        Q_EMIT prepared(SignerResult::failed(kNulInPassPhrase));
        return;
    }
    const auto unlock = [this, source, passPhrase] {
        SignerResult result = SignerResult::succeeded();
        try {
            auto loaded = loadSigningKey(source, std::move(*passPhrase), &stopping_);
            if (auto* failure = std::get_if<KeyFailure>(&loaded)) {
                result = SignerResult::failed(failure->message, failure->details);
            } else {
                key_ = std::move(std::get<std::unique_ptr<SigningKey>>(loaded));
                signer_ = key_->newSigner();
            }
        } catch (const SealmillError& failure) {
            result = SignerResult::failed(failure.message(), failure.details());
        }
        QMetaObject::invokeMethod(
            this, [this, result] { Q_EMIT prepared(result); }, Qt::QueuedConnection);
    };
    try {
        worker_.post(unlock);
    } catch (const std::system_error&) {  // the system is out of threads or memory
        Q_EMIT prepared(SignerResult::failed(QStringLiteral("Cannot start a thread to sign on")));
    }
}

void BuiltinSigner::sign(const SigningTask& task) {
    // The copy comes back in memory: the job writes it into the folder it
    // opened, so a full disk is a file failure like any other.
    worker_.post([this, task] {
        SignerResult result = SignerResult::succeeded();
        QByteArray signedCopy;
        try {
            signedCopy = signer_->clearSign(task.copy);
        } catch (const SealmillError& failure) {
            result = SignerResult::failed(failure.message(), failure.details());
        }
        QMetaObject::invokeMethod(
            this, [this, result, signedCopy] { Q_EMIT signingEnded(result, signedCopy); },
            Qt::QueuedConnection);
    });
}

void BuiltinSigner::stop() {
    stopping_ = true;
}

// The unlocked key goes as soon as the run is over, and with it the thread
// that used it and everything on that thread's stack.
void BuiltinSigner::release() {
    if (worker_.isRunning()) {
        worker_.post([this] {
            signer_.reset();
            key_.reset();
        });
    }
    worker_.finish();
}

}  // namespace sealmill
