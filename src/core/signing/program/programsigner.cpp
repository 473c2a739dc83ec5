// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/program/programsigner.h"

#include "core/platform/pathrules.h"
#include "core/platform/systemencoding.h"

#include <algorithm>
#include <cstring>

namespace sealmill {

namespace {

QString explicitProgram(const QString& program) {
    // A bare name could be looked up on PATH, so the program started could
    // differ from the file the caller checked. Qt's file classes would change
    // the bytes of a name that is not UTF-8.
    if (program.isEmpty() || program.startsWith(u'/')) {
        return program;
    }
    return QStringLiteral("./") + program;
}

// The system ends every argument at a NUL: the signer would be handed another
// output file than the one checked for, or a pass phrase cut short.
bool holdsNul(const QString& text) {
    return text.contains(QChar::Null);
}

// The system's own untranslated words for a signal, e.g. "Segmentation fault".
QString signalDescription(int signal) {
    const char* description = ::sigdescr_np(signal);
    return description != nullptr ? QString::fromLatin1(description)
                                  : QStringLiteral("unknown signal");
}

}  // namespace

QStringList signerArguments(const SignerRequest& request) {
    return {QStringLiteral("-sta"),      request.workFile,   QStringLiteral("-u"), request.keyId,
            QStringLiteral("-o"),        request.outputFile, QStringLiteral("-z"), QString(),
            QStringLiteral("+BATCHMODE")};
}

QStringList exitCodeNames() {
    return {QStringLiteral("EXIT_OK"),
            QStringLiteral("INVALID_FILE_ERROR"),
            QStringLiteral("FILE_NOT_FOUND_ERROR"),
            QStringLiteral("UNKNOWN_FILE_ERROR"),
            QStringLiteral("NO_BATCH"),
            QStringLiteral("BAD_ARG_ERROR"),
            QStringLiteral("INTERRUPT"),
            QStringLiteral("OUT_OF_MEM"),
            QString(),
            QString(),
            QStringLiteral("KEYGEN_ERROR"),
            QStringLiteral("NONEXIST_KEY_ERROR"),
            QStringLiteral("KEYRING_ADD_ERROR"),
            QStringLiteral("KEYRING_EXTRACT_ERROR"),
            QStringLiteral("KEYRING_EDIT_ERROR"),
            QStringLiteral("KEYRING_VIEW_ERROR"),
            QStringLiteral("KEYRING_REMOVE_ERROR"),
            QStringLiteral("KEYRING_CHECK_ERROR"),
            QStringLiteral("KEY_SIGNATURE_ERROR"),
            QStringLiteral("KEYSIG_REMOVE_ERROR"),
            QStringLiteral("SIGNATURE_ERROR"),
            QStringLiteral("RSA_ENCR_ERROR"),
            QStringLiteral("ENCR_ERROR"),
            QStringLiteral("COMPRESS_ERROR"),
            QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QStringLiteral("SIGNATURE_CHECK_ERROR"),
            QStringLiteral("RSA_DECR_ERROR"),
            QStringLiteral("DECR_ERROR"),
            QStringLiteral("DECOMPRESS_ERROR")};
}

std::optional<QString> signerFailureMessage(const SignerOutcome& outcome) {
    using Ending = SignerOutcome::Ending;
    const int code = outcome.ending == Ending::NotStarted ? -1 : outcome.exitCode;
    if (outcome.ending == Ending::Exited && (code == 0 || code == 127)) {
        return std::nullopt;
    }
    if (outcome.ending == Ending::Signalled) {
        // Not an exit code: signal 11 is no NONEXIST_KEY_ERROR.
        return QStringLiteral("The signer was ended by signal %1 (%2).")
            .arg(code)
            .arg(signalDescription(code));
    }
    QString reason;
    if (outcome.ending == Ending::NotStarted) {
        reason = QStringLiteral("signer could not be started");
    } else if (const QStringList names = exitCodeNames(); code >= 0 && code < names.size()) {
        reason = names.at(code);
    } else {
        reason = QStringLiteral("unknown exit code");
    }
    return QStringLiteral("Error %1 occured:\r%2").arg(code).arg(reason);
}

ProgramSigner::ProgramSigner(QObject* parent) : Signer(parent) {
    connect(&process_, &SignerProcess::finished, this, &ProgramSigner::judge);
}

bool ProgramSigner::canStart(const QString& program) const {
    return isExistingFile(program);
}

void ProgramSigner::prepare(SigningSetup setup) {
    passPhrase_ = std::move(setup.passPhrase);
    if (passPhrase_.view().contains('\0')) {
        passPhrase_.clear();
        Q_EMIT prepared(SignerResult::failed(kNulInPassPhrase));
        return;
    }
    Q_EMIT prepared(SignerResult::succeeded());
}

void ProgramSigner::release() {
    passPhrase_.clear();
}

void ProgramSigner::sign(const SigningTask& task) {
    serial_ = task.serial;
    const SignerRequest request{task.program, task.workFile, task.keyId, task.signedFile};
    const QStringList arguments = signerArguments(request);
    QList<QByteArray> encoded;
    for (const QString& argument : arguments) {
        encoded << encodeLocal(argument);
    }
    // No copy: the argument points into the run's own buffer, NUL-terminated.
    encoded[kPassPhraseArgument] =
        QByteArray::fromRawData(passPhrase_.constData(), passPhrase_.size());
    const bool cut =
        holdsNul(request.program) || std::any_of(arguments.cbegin(), arguments.cend(), holdsNul);
    if (cut || !process_.start(encodeLocal(explicitProgram(request.program)), encoded)) {
        judge(SignerOutcome{});
    }
}

void ProgramSigner::stop() {
    process_.stop();
}

void ProgramSigner::judge(const SignerOutcome& outcome) {
    // Kept on success too: a signer that says it signed but wrote nothing
    // has usually said why.
    QString printed = decodeLocal(outcome.outputTail);
    const std::optional<QString> failure = signerFailureMessage(outcome);
    Q_EMIT signingEnded(serial_,
                        failure ? SignerResult::failed(*failure, std::move(printed))
                                : SignerResult::succeeded(std::move(printed)),
                        {});
}

}  // namespace sealmill
