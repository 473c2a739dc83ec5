// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"
#include "core/signing/program/signerprocess.h"
#include "core/signing/signer.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace sealmill {

// One signer program call: the settings' texts and the run's two paths.
struct SignerRequest {
    QString program;     // the signer's full path
    QString workFile;    // the file to sign
    QString keyId;       // identifier of the signing key
    QString outputFile;  // where the signed text goes
};

// The PGP-2.6 command line as an argument vector: -sta <work> -u <key> -o <out>
// -z <pass> +BATCHMODE. Each value stays exactly one argument; the pass phrase
// is left empty here, for the caller to put in at kPassPhraseArgument.
[[nodiscard]] QStringList signerArguments(const SignerRequest& request);
inline constexpr qsizetype kPassPhraseArgument = 7;

// The 34 names of the signer's exit codes 0 to 33; unnamed codes are "".
[[nodiscard]] QStringList exitCodeNames();

// nullopt for success (exit code 0 or 127); otherwise the text of the error
// box, e.g. "Error 11 occured:\rNONEXIST_KEY_ERROR", or for a signer killed by
// a signal "The signer was ended by signal 11 (Segmentation fault).".
[[nodiscard]] std::optional<QString> signerFailureMessage(const SignerOutcome& outcome);

// A PGP 2.6 command-line signer (pgpgpg on GnuPG), one process per number,
// judged by its exit code. The pass phrase is taken once per run and handed to
// every number's signer from that one buffer.
class ProgramSigner final : public Signer {
    Q_OBJECT

public:
    explicit ProgramSigner(QObject* parent = nullptr);

    [[nodiscard]] bool canStart(const QString& program) const override;
    [[nodiscard]] bool readsWorkFile() const override { return true; }
    void prepare(SigningSetup setup) override;
    void sign(const SigningTask& task) override;
    void stop() override;
    void release() override;

private:
    void judge(const SignerOutcome& outcome);

    SignerProcess process_;
    qint64 serial_ = 0;       // of the number being signed
    SecretBytes passPhrase_;  // in the local encoding, from prepare() to release()
};

}  // namespace sealmill
