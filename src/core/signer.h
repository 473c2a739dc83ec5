#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace sealmill {

// What one signer call needs: the window's texts and the engine's two paths.
struct SignerRequest {
    QString program;     // the signer's full path
    QString workFile;    // the file to sign
    QString keyId;       // identifier of the signing key
    QString outputFile;  // where the signed text goes
    QString passPhrase;  // the key's pass phrase
};

// The PGP-2.6 command line as an argument vector: -sta <work> -u <key> -o <out>
// -z <pass> +BATCHMODE. Each value stays exactly one argument.
[[nodiscard]] QStringList signerArguments(const SignerRequest& request);

struct SignerOutcome {
    enum class Ending { Exited, NotStarted, Signalled };
    Ending ending = Ending::NotStarted;
    int exitCode = -1;      // -1 when the signer could not be started
    QByteArray outputTail;  // the last few KiB the signer printed
};

// Starts the signer with no window and no input, inheriting the environment and
// current directory, and waits for it without a time limit. `whileWaiting` is
// called now and then during the wait (the window repaints there).
[[nodiscard]] SignerOutcome runSigner(const SignerRequest& request,
                                      const std::function<void()>& whileWaiting = {});

// The 34 names of the signer's exit codes 0 to 33; unnamed codes are "".
[[nodiscard]] QStringList exitCodeNames();

// nullopt for success (exit code 0 or 127); otherwise the text of the error
// box, e.g. "Error 11 occured:\rNONEXIST_KEY_ERROR".
[[nodiscard]] std::optional<QString> signerFailureMessage(const SignerOutcome& outcome);

}  // namespace sealmill
