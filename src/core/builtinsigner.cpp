// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "builtinsigner.h"

#include "localbytes.h"
#include "outputfiles.h"
#include "presssettings.h"
#include "sealmillerror.h"
#include "secretbytes.h"
#include "signingkey.h"

namespace sealmill {

BuiltinSigner::BuiltinSigner(QObject* parent) : Signer(parent) {
    worker_.setMaxThreadCount(1);
}

BuiltinSigner::~BuiltinSigner() {
    worker_.waitForDone();
}

void BuiltinSigner::prepare(const PressSettings& settings) {
    KeySource source = KeyringKey{settings.keyId(), {}};
    if (!keyFile_.isEmpty()) {
        source = KeyFile{keyFile_};
    }
    QByteArray typed = encodeLocal(settings.passPhrase());
    auto passPhrase = std::make_shared<SecretBytes>(typed);
    wipeMemory(typed.data(), typed.size());
    worker_.start([this, source, passPhrase] {
        SignerError error;
        try {
            auto loaded = loadSigningKey(source, std::move(*passPhrase));
            if (auto* failure = std::get_if<KeyFailure>(&loaded)) {
                error.message = failure->message;
            } else {
                key_ = std::move(std::get<std::unique_ptr<SigningKey>>(loaded));
                signer_ = key_->newSigner();
            }
        } catch (const SealmillError& failure) {
            error = {failure.message(), failure.details()};
        }
        QMetaObject::invokeMethod(
            this, [this, error] { Q_EMIT prepared(error); }, Qt::QueuedConnection);
    });
}

void BuiltinSigner::sign(const SigningTask& task) {
    worker_.start([this, task] {
        SignerError error;
        try {
            const QByteArray signedCopy = signer_->clearSign(task.copy);
            // A signed copy is for others to read, as one from gpg would be.
            writeNewFile(task.signedFile, {QByteArrayView(signedCopy)}, NewFileAccess::Usual);
        } catch (const SealmillError& failure) {
            error = {failure.message(), failure.details()};
        }
        QMetaObject::invokeMethod(
            this, [this, error] { Q_EMIT signingEnded(error); }, Qt::QueuedConnection);
    });
}

// The unlocked key goes as soon as the run is over.
void BuiltinSigner::release() {
    worker_.start([this] {
        signer_.reset();
        key_.reset();
    });
}

}  // namespace sealmill
