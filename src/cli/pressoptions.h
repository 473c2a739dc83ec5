// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the command line asks for, checked, before any file is touched.
struct PressOptions {
    QString templateFile;
    QString fromText;  // kept as typed: the run reads them as the window does
    QString toText;
    QString namePattern;
    QString keyId;
    QString signerPath;
    bool builtinSigner = false;  // sign in-process with the key of --key or --key-file
    QString keyFile;
    QString outputDirectory;
    int passphraseFd = -1;
    QString passphraseFile;
    bool dryRun = false;
    bool quiet = false;
    bool verify = false;    // check the pressed files instead of pressing
    QString publicKeyFile;  // with verify: the key that signed them
    QString registerFile;   // the register of issued copies, when kept
    int jobs = 0;           // copies signed or checked at once; 0: one per core
};

struct ParsedOptions {
    std::optional<PressOptions> options;  // empty: stop with `exitCode`
    int exitCode = 0;
    QString output;  // --help / --version text, or the error
};

// Parses arguments (argv[0] first). `environment` is the process's own block,
// used for the default signer path.
[[nodiscard]] ParsedOptions parsePressOptions(const QStringList& arguments,
                                              const QStringList& environment);
