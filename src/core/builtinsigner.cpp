#include "builtinsigner.h"

#include "localbytes.h"
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
    // The copy comes back in memory: the job writes it into the folder it
    // opened, so a full disk is a file failure like any other.
    worker_.start([this, task] {
        SignerError error;
        QByteArray signedCopy;
        try {
            signedCopy = signer_->clearSign(task.copy);
        } catch (const SealmillError& failure) {
            error = {failure.message(), failure.details()};
        }
        QMetaObject::invokeMethod(
            this, [this, error, signedCopy] { Q_EMIT signingEnded(error, signedCopy); },
            Qt::QueuedConnection);
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
