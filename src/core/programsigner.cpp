// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "programsigner.h"

#include "localbytes.h"
#include "pathrules.h"
#include "presssettings.h"

#include <QFileInfo>
#include <algorithm>

namespace sealmill {

namespace {

QString absoluteProgram(const QString& program) {
    // A bare name would be looked up on PATH, so the program started could
    // differ from the file the caller checked.
    if (program.isEmpty() || QFileInfo(program).isAbsolute()) {
        return program;
    }
    return QFileInfo(program).absoluteFilePath();
}

// The system ends every argument at a NUL: the signer would be handed another
// output file than the one checked for, or a pass phrase cut short.
bool holdsNul(const QString& text) {
    return text.contains(QChar::Null);
}

}  // namespace

QStringList signerArguments(const SignerRequest& request) {
    return {QStringLiteral("-sta"), request.workFile,     QStringLiteral("-u"),
            request.keyId,          QStringLiteral("-o"), request.outputFile,
            QStringLiteral("-z"),   request.passPhrase,   QStringLiteral("+BATCHMODE")};
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
    QString reason;
    if (outcome.ending == Ending::NotStarted) {
        reason = QStringLiteral("signer could not be started");
    } else if (outcome.ending == Ending::Signalled) {
        reason = QStringLiteral("terminated by signal %1").arg(code);
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

bool ProgramSigner::canStart(const PressSettings& settings) const {
    return isExistingFile(settings.signerPath());
}

void ProgramSigner::prepare(const PressSettings& /*settings*/) {
    Q_EMIT prepared({});
}

void ProgramSigner::sign(const SigningTask& task) {
    const SignerRequest request{task.program, task.workFile, task.keyId, task.signedFile,
                                task.passPhrase};
    const QStringList arguments = signerArguments(request);
    QList<QByteArray> encoded;
    for (const QString& argument : arguments) {
        encoded << encodeLocal(argument);
    }
    const bool cut =
        holdsNul(request.program) || std::any_of(arguments.cbegin(), arguments.cend(), holdsNul);
    if (cut || !process_.start(encodeLocal(absoluteProgram(request.program)), encoded)) {
        judge(SignerOutcome{});
    }
}

void ProgramSigner::stop() {
    process_.stop();
}

void ProgramSigner::judge(const SignerOutcome& outcome) {
    SignerError error;
    if (const std::optional<QString> message = signerFailureMessage(outcome)) {
        error.message = *message;
        error.details = decodeLocal(outcome.outputTail);
    }
    Q_EMIT signingEnded(error);
}

}  // namespace sealmill
