// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pressoptions.h"

#include "core/platform/pathrules.h"
#include "core/press/serialfield.h"
#include "core/signing/program/signerlocation.h"
#include "exitstatus.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

const QString kDefaultPattern = QStringLiteral("Sealmilled-file-@SERIAL@.txt");

// Each signing thread holds its own unlocked copy of the key.
constexpr int kMostJobs = 256;

const char* const kDescription =
    "Presses numbered, clear-signed copies of one template: for every number\n"
    "from --from to --to it writes a copy with the number in place of the\n"
    "first @SERIAL@ of each line, has the signer clear-sign it, and publishes\n"
    "the signed copy in --output only when whole. It never overwrites anything\n"
    "and stops at the first signer error. A first SIGINT lets the running\n"
    "signer finish; a second one, or SIGTERM, SIGHUP, SIGPIPE, SIGUSR1, SIGUSR2\n"
    "or SIGALRM, stops it at once. A signal the parent ignores stays ignored.\n"
    "\n"
    "The pass phrase is read from --passphrase-fd, --passphrase-file, the\n"
    "environment variable SEALMILL_PASSPHRASE, or a prompt without echo when\n"
    "standard input is a terminal, in that order; the variable is removed from\n"
    "the environment at start-up whichever is used. It never goes on this\n"
    "program's own command line; note that it does go on a signer program's,\n"
    "as the PGP 2.6 command line (-z) demands, where other users of this\n"
    "machine may see it while the signer runs. The built-in signer puts it\n"
    "on no command line.\n"
    "\n"
    "With --verify it presses nothing: it checks that every number from --from\n"
    "to --to has its file in --output, a single clear-signed message with a\n"
    "good signature by the key (--key in your GnuPG keyring, --public-key or\n"
    "--key-file; no pass phrase) made while the key was valid, over that\n"
    "number's copy of --template; and it lists files of the name pattern with\n"
    "a number outside the range and leftovers of an interrupted run. One line\n"
    "per problem on standard output, then a summary (--quiet: problems only).\n"
    "Exit status of --verify: 0 all good, 1 problems found, 2 usage error,\n"
    "7 could not check (no key, unreadable folder or template).\n"
    "\n"
    "Exit status: 0 pressed, 2 usage error, 3 settings refused (no output\n"
    "directory, no signer program), 4 an output name is taken, 5 signer\n"
    "failure, 6 file read/write failure, 128 + n cancelled or stopped by\n"
    "signal n (130 SIGINT, 143 SIGTERM, 129 SIGHUP, 141 SIGPIPE).";

QString usageError(const QString& message) {
    return QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
        .arg(QCoreApplication::applicationName(), message);
}

}  // namespace

ParsedOptions parsePressOptions(const QStringList& arguments, const QStringList& environment) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption templateFile({QStringLiteral("t"), QStringLiteral("template")},
                                          QStringLiteral("Template text holding @SERIAL@."),
                                          QStringLiteral("file"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("First serial number (1 or more)."),
                                  QStringLiteral("n"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Last serial number (--from or more)."),
                                QStringLiteral("n"));
    const QCommandLineOption name(
        {QStringLiteral("n"), QStringLiteral("name")},
        QStringLiteral("Output file name pattern; its first @SERIAL@ becomes the number "
                       "(default: %1).")
            .arg(kDefaultPattern),
        QStringLiteral("pattern"), kDefaultPattern);
    const QCommandLineOption key({QStringLiteral("k"), QStringLiteral("key")},
                                 QStringLiteral("Identifier of the signing key; a key id or "
                                                "fingerprint with \"!\" names exactly that key "
                                                "or subkey (not needed with --key-file or "
                                                "--dry-run)."),
                                 QStringLiteral("id"));
    const QCommandLineOption signer(
        {QStringLiteral("s"), QStringLiteral("signer")},
        QStringLiteral("The PGP 2.6 style signer program, e.g. /usr/bin/pgpgpg "
                       "(default: PGP.EXE in the directory named by PGPPATH)."),
        QStringLiteral("program"));
    const QCommandLineOption builtin(
        QStringLiteral("builtin-signer"),
        QStringLiteral("Sign inside sealmill-press with your own GnuPG key, unlocked once "
                       "(the default when PGPPATH names no signer program)."));
    const QCommandLineOption keyFile(
        QStringLiteral("key-file"),
        QStringLiteral("With the built-in signer: take the key from this file of exported "
                       "secret keys instead of your GnuPG keyring."),
        QStringLiteral("file"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Directory for the signed files (default: .)."),
                                    QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption passFd(QStringLiteral("passphrase-fd"),
                                    QStringLiteral("Read the pass phrase from file descriptor n."),
                                    QStringLiteral("n"));
    const QCommandLineOption passFile(QStringLiteral("passphrase-file"),
                                      QStringLiteral("Read the pass phrase from this file."),
                                      QStringLiteral("file"));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("List each output file and whether it exists; sign nothing."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Print nothing but errors."));
    const QCommandLineOption verify(
        QStringLiteral("verify"),
        QStringLiteral("Check the pressed files instead of pressing: each number's file signed by "
                       "the key (--key, --public-key or --key-file) over its copy of the "
                       "template, none missing, none extra, no leftovers. Signs nothing."));
    const QCommandLineOption publicKey(
        QStringLiteral("public-key"),
        QStringLiteral("With --verify: the signing key's public key, exported to this file."),
        QStringLiteral("file"));
    const QCommandLineOption registerFile(
        QStringLiteral("register"),
        QStringLiteral("Append a CSV line (number, file, SHA-256, key fingerprint, UTC time) per "
                       "published copy to this file; a number already in it stops the run. With "
                       "--verify: check the files' SHA-256 against it."),
        QStringLiteral("file"));
    const QCommandLineOption jobs(
        {QStringLiteral("j"), QStringLiteral("jobs")},
        QStringLiteral("How many copies the built-in signer signs, or --verify checks, at once "
                       "(default: one per processor core). A signer program signs one at a "
                       "time."),
        QStringLiteral("n"));
    parser.addOptions({help, version, templateFile, from, to, name, key, signer, builtin, keyFile,
                       output, passFd, passFile, dryRun, quiet, verify, publicKey, registerFile,
                       jobs});

    if (!parser.parse(arguments)) {
        return {std::nullopt, kExitUsage, usageError(parser.errorText())};
    }
    if (parser.isSet(help)) {
        return {std::nullopt, kExitPressed, parser.helpText()};
    }
    if (parser.isSet(version)) {
        return {std::nullopt, kExitPressed,
                QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                              QCoreApplication::applicationVersion())};
    }
    if (!parser.positionalArguments().isEmpty()) {
        return {std::nullopt, kExitUsage,
                usageError(QStringLiteral("unexpected argument '%1'")
                               .arg(parser.positionalArguments().constFirst()))};
    }
    if (parser.isSet(signer) && (parser.isSet(builtin) || parser.isSet(keyFile))) {
        return {std::nullopt, kExitUsage,
                usageError(QStringLiteral("give --signer or --builtin-signer, not both"))};
    }
    // A dry run signs nothing and a check needs only the public key, so
    // neither needs --key.
    for (const auto* required : {&templateFile, &from, &to, &key}) {
        if (!parser.isSet(*required) &&
            !(required == &key &&
              (parser.isSet(keyFile) || parser.isSet(dryRun) || parser.isSet(publicKey)))) {
            return {std::nullopt, kExitUsage,
                    usageError(QStringLiteral("missing --%1").arg(required->names().constLast()))};
        }
    }
    // An empty name would only meet the file system's own complaint.
    for (const auto* path : {&templateFile, &signer, &keyFile, &passFile}) {
        if (parser.isSet(*path) && parser.value(*path).isEmpty()) {
            return {std::nullopt, kExitUsage,
                    usageError(QStringLiteral("--%1 needs a %2, not an empty text")
                                   .arg(path->names().constLast(), path->valueName()))};
        }
    }

    PressOptions options;
    options.templateFile = parser.value(templateFile);
    options.fromText = parser.value(from);
    options.toText = parser.value(to);
    const auto first = sealmill::readSerialField(options.fromText);
    const auto last = sealmill::readSerialField(options.toText);
    if (!first || !last) {
        return {std::nullopt, kExitUsage,
                usageError(
                    sealmill::invalidIntegerMessage(!first ? options.fromText : options.toText))};
    }
    if (*first < 1 || *first > *last) {
        return {std::nullopt, kExitUsage,
                usageError(QStringLiteral("the serial numbers must satisfy 1 <= --from <= --to "
                                          "(got %1 to %2)")
                               .arg(*first)
                               .arg(*last))};
    }
    options.namePattern = parser.value(name);
    options.keyId = parser.value(key);
    options.signerPath = parser.isSet(signer) ? parser.value(signer)
                                              : sealmill::signerPathFromEnvironment(environment);
    options.keyFile = parser.value(keyFile);
    options.builtinSigner =
        parser.isSet(builtin) || parser.isSet(keyFile) ||
        (!parser.isSet(signer) && !sealmill::isExistingFile(options.signerPath));
    options.outputDirectory = parser.value(output);
    if (parser.isSet(passFd) && parser.isSet(passFile)) {
        return {std::nullopt, kExitUsage,
                usageError(QStringLiteral("give --passphrase-fd or --passphrase-file, not both"))};
    }
    if (parser.isSet(passFd)) {
        bool ok = false;
        options.passphraseFd = parser.value(passFd).toInt(&ok);
        if (!ok || options.passphraseFd < 0) {
            return {std::nullopt, kExitUsage,
                    usageError(QStringLiteral("--passphrase-fd needs a file descriptor number"))};
        }
    }
    options.passphraseFile = parser.value(passFile);
    options.dryRun = parser.isSet(dryRun);
    options.quiet = parser.isSet(quiet);
    options.verify = parser.isSet(verify);
    options.publicKeyFile = parser.value(publicKey);
    options.registerFile = parser.value(registerFile);
    if (!options.verify && parser.isSet(publicKey)) {
        return {std::nullopt, kExitUsage,
                usageError(QStringLiteral("--public-key needs --verify"))};
    }
    if (parser.isSet(jobs)) {
        bool ok = false;
        options.jobs = parser.value(jobs).toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > kMostJobs) {
            return {std::nullopt, kExitUsage,
                    usageError(QStringLiteral("--jobs needs a number from 1 to %1, not '%2'")
                                   .arg(kMostJobs)
                                   .arg(parser.value(jobs)))};
        }
        if (!options.builtinSigner && !options.verify && !options.dryRun) {
            return {std::nullopt, kExitUsage,
                    usageError(QStringLiteral("--jobs needs the built-in signer: a signer program "
                                              "signs one copy at a time"))};
        }
    }
    return {options, kExitPressed, {}};
}
