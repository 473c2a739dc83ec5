// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "presscommand.h"

#include "cancelsignals.h"
#include "core/platform/pathrules.h"
#include "core/platform/systemencoding.h"
#include "core/press/numberedcopies.h"
#include "core/press/outcomewords.h"
#include "core/press/outputfiles.h"
#include "core/press/outputpath.h"
#include "core/press/pressjob.h"
#include "core/press/serialfield.h"
#include "core/press/storedpresssettings.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/builtinsigner.h"
#include "core/signing/program/programsigner.h"
#include "core/text/templatefile.h"
#include "core/verify/pressregister.h"
#include "exitstatus.h"
#include "passphrase.h"
#include "progressmeter.h"
#include "terminal.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

void complain(const QString& text, const QString& details = {}) {
    terminal::writeError(errorText(text, details));
}

// Tab and line breaks pass; every other control character shows as \xNN.
QString visible(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if ((c.unicode() < 0x20 && c != u'\t' && c != u'\n') || c.unicode() == 0x7F ||
            (c.unicode() >= 0x80 && c.unicode() < 0xA0)) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

int cancelStatus() {
    return sealmill::signalledStatus(cancelsignals::poll());
}

// Lists each output file and whether its name is taken; signs nothing. A
// signal ends the list: after SIGPIPE nobody reads it.
int dryRun(const PressOptions& options, const QString& outputDir, qint32 first, qint32 last) {
    QTextStream out(stdout);
    bool anyExists = false;
    for (qint64 n = first; n <= last; ++n) {
        if (cancelsignals::poll() != 0) {
            return cancelStatus();
        }
        const QString path = sealmill::outputFilePath(outputDir, options.namePattern, n);
        const bool exists = sealmill::isNameTaken(path);
        anyExists = anyExists || exists;
        out << (exists ? "exists  " : "new     ") << sealmill::showLocal(path) << '\n';
    }
    out.flush();
    return anyExists ? kExitOutputExists : kExitPressed;
}

// The checks a window makes by what it offers; a script's user deserves a reason.
std::optional<int> refusal(const PressOptions& options) {
    if (options.outputDirectory.isEmpty()) {
        complain(QStringLiteral("the output directory is empty (give --output DIR)"));
        return kExitRefused;
    }
    if (!sealmill::isExistingDirectory(options.outputDirectory)) {
        complain(sealmill::isNameTaken(options.outputDirectory)
                     ? QStringLiteral("%1 is not a directory").arg(options.outputDirectory)
                     : QStringLiteral("the output directory %1 does not exist")
                           .arg(options.outputDirectory));
        return kExitRefused;
    }
    return std::nullopt;
}

}  // namespace

QString errorText(const QString& text, const QString& details) {
    const auto lines = [](QString shown) {
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        return visible(shown.trimmed()).split(u'\n');
    };
    QString out = QCoreApplication::applicationName() + QStringLiteral(": ") +
                  lines(text).join(u'\n') + u'\n';
    if (!details.trimmed().isEmpty()) {
        for (const QString& line : lines(details)) {
            out += QStringLiteral("  ") + line.trimmed() + u'\n';
        }
    }
    return out;
}

int runPressCommand(const PressOptions& options,
                    std::optional<sealmill::SecretBytes> passphraseVariable) {
    if (const std::optional<int> refused = refusal(options)) {
        return *refused;
    }
    const QString outputDir = sealmill::outputDirectory(options.outputDirectory);
    const qint32 first = *sealmill::readSerialField(options.fromText);
    const qint32 last = *sealmill::readSerialField(options.toText);
    if (options.dryRun) {
        return dryRun(options, outputDir, first, last);
    }
    if (!options.builtinSigner && !sealmill::isExistingFile(options.signerPath)) {
        // The run's own refusal, before the pass phrase is asked for.
        sealmill::PressOutcome refused;
        refused.result = sealmill::PressResult::Refused;
        sealmill::OutcomeContext context;
        context.signerPath = options.signerPath;
        const sealmill::OutcomeWords words = sealmill::describeOutcome(refused, context);
        complain(words.error);
        return words.exitStatus;
    }

    // A script may feed the template through a pipe, e.g. -t <(generate).
    sealmill::TemplateFileText loaded;
    try {
        loaded = sealmill::readTemplateFile(options.templateFile, sealmill::FileKinds::PipesToo,
                                            sealmill::kTemplateCapacity,
                                            [] { return cancelsignals::poll() != 0; });
    } catch (const sealmill::SealmillError& error) {
        if (cancelsignals::poll() != 0) {
            return cancelStatus();
        }
        complain(error.message() + u'.');
        return kExitFileFailed;
    }
    if (!sealmill::holdsPlaceholder(loaded.text)) {
        complain(QStringLiteral("Text area MUST contain the @SERIAL@ variable"));
        return kExitUsage;
    }

    PassphraseResult passphrase = readPassphrase(options, std::move(passphraseVariable));
    if (!passphrase.passphrase) {
        if (cancelsignals::poll() != 0) {
            return cancelStatus();
        }
        complain(passphrase.error);
        return kExitUsage;
    }

    sealmill::StoredPressSettings settings;
    settings.outputDir = options.outputDirectory;
    settings.signerProgram = options.signerPath;
    settings.serialFrom = options.fromText;
    settings.serialTo = options.toText;
    settings.pattern = options.namePattern;
    settings.key = options.keyId;
    settings.pass = std::move(*passphrase.passphrase);

    std::optional<sealmill::PressRegister> issued;
    try {
        if (!options.registerFile.isEmpty()) {
            if (const auto why =
                    sealmill::PressRegister::refusal(options.registerFile, first, last)) {
                complain(*why);
                return kExitRefused;
            }
            issued.emplace(options.registerFile, outputDir, options.namePattern);
        }
    } catch (const sealmill::SealmillError& error) {
        complain(error.message());
        return kExitFileFailed;
    }

    const auto style = options.quiet             ? ProgressMeter::Style::Quiet
                       : terminal::isTerminal(2) ? ProgressMeter::Style::Bar
                                                 : ProgressMeter::Style::Lines;
    ProgressMeter meter(style, qint64{last} - first + 1);
    sealmill::ProgramSigner programSigner;
    sealmill::BuiltinSigner builtinSigner;
    builtinSigner.setKeyFile(options.keyFile);
    if (options.jobs > 0) {
        builtinSigner.setWorkerCount(options.jobs);
    }
    sealmill::Signer& signer =
        options.builtinSigner ? static_cast<sealmill::Signer&>(builtinSigner) : programSigner;
    sealmill::PressJob job(settings);
    cancelsignals::Watcher signals;

    QObject::connect(
        &job, &sealmill::PressJob::progressed, &job,
        [&meter](int position, const QString& text) { meter.advance(position, text); });
    // A first SIGINT cancels as the window's Cancel does; a second, or any
    // other signal, stops the signer at once.
    QObject::connect(&signals, &cancelsignals::Watcher::received, &job, [&job](int signal) {
        if (cancelsignals::stops(signal)) {
            job.stop();
        } else {
            job.cancel();
        }
    });
    bool registerFailed = false;
    QObject::connect(&job, &sealmill::PressJob::copiesPublished, &job,
                     [&](const QList<qint64>& serials) {
                         try {
                             if (issued && !registerFailed) {
                                 issued->recordPublished(serials);
                             }
                         } catch (const sealmill::SealmillError& error) {
                             registerFailed = true;
                             complain(error.message());
                             job.stop();
                         }
                     });
    QObject::connect(&job, &sealmill::PressJob::noted, &job, [&options](const QString& text) {
        if (!options.quiet) {
            terminal::writeError(text + u'\n');
        }
    });
    QObject::connect(
        &job, &sealmill::PressJob::cancelling, &job, [&meter](qint64 first, qint64 last) {
            meter.finish();
            terminal::writeError(QStringLiteral("Cancelling: %1; press Ctrl+C again to stop now.\n")
                                     .arg(sealmill::numbersBeingSigned(first, last)));
        });
    QObject::connect(
        &job, &sealmill::PressJob::finished, &job, [&](const sealmill::PressOutcome& outcome) {
            meter.finish();
            const sealmill::OutcomeWords words =
                sealmill::describeOutcome(outcome, {options.signerPath, qint64{last} - first + 1,
                                                    cancelsignals::poll(), options.quiet});
            if (!words.error.isEmpty()) {
                complain(words.error, words.details);
            }
            terminal::writeError(words.report);
            QCoreApplication::exit(words.exitStatus);
        });
    // The signer takes its own copy in prepare(): a program signer's for the
    // run, the built-in one's until the key is unlocked, just before this.
    QObject::connect(&signer, &sealmill::Signer::prepared, &job,
                     [&settings] { settings.pass.clear(); });
    job.start(loaded, signer);
    const int ended = QCoreApplication::exec();
    return registerFailed ? kExitFileFailed : ended;
}
