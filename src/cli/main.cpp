// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "cancelsignals.h"
#include "core/platform/systemencoding.h"
#include "core/signing/program/signerlocation.h"
#include "exitstatus.h"
#include "passphrase.h"
#include "presscommand.h"
#include "pressoptions.h"
#include "terminal.h"
#include "verifycommand.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    // Before anything can start a child, and before any thread runs.
    std::optional<sealmill::SecretBytes> fromVariable = takePassphraseVariable();
    // Before Qt starts any thread: signal handling is the whole process's.
    cancelsignals::install();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sealmill-press"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SEALMILL_VERSION));

    // As the bytes given: Qt's own decoding would change those that are not UTF-8.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << sealmill::decodeLocal(argv[i]);  // NOLINT: argv is a C array
    }
    const ParsedOptions parsed = parsePressOptions(arguments, sealmill::processEnvironmentBlock());
    if (!parsed.options) {
        if (parsed.exitCode == kExitPressed) {
            QTextStream(stdout) << parsed.output;
        } else {
            terminal::writeError(parsed.output);
        }
        return parsed.exitCode;
    }
    if (parsed.options->verify) {
        return runVerifyCommand(*parsed.options);
    }
    return runPressCommand(*parsed.options, std::move(fromVariable));
}
