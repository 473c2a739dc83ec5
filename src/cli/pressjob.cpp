#include "pressjob.h"

#include "cancelsignals.h"
#include "consolesink.h"
#include "exitstatus.h"
#include "memorytemplate.h"
#include "outputpath.h"
#include "passphrase.h"
#include "pathrules.h"
#include "pressloop.h"
#include "sealmillerror.h"
#include "serialfield.h"
#include "storedpresssettings.h"
#include "templatefile.h"
#include "terminal.h"

#include <QTextStream>
#include <csignal>

namespace {

void complain(const QString& text) {
    terminal::writeError(ConsoleSink::errorText(text, {}));
}

// Lists each output file and whether it is already there; signs nothing.
int dryRun(const PressOptions& options, const QString& outputDir, qint32 first, qint32 last) {
    QTextStream out(stdout);
    bool anyExists = false;
    for (qint64 n = first; n <= last; ++n) {
        const QString path = sealmill::outputFilePath(outputDir, options.namePattern, n);
        const bool exists = sealmill::isExistingFile(path);
        anyExists = anyExists || exists;
        out << (exists ? "exists  " : "new     ") << path << '\n';
    }
    out.flush();
    return anyExists ? kExitOutputExists : kExitPressed;
}

int statusOf(sealmill::PressResult result) {
    using sealmill::PressResult;
    switch (result) {
        case PressResult::Succeeded:
            return kExitPressed;
        case PressResult::Refused:
            return kExitRefused;
        case PressResult::OutputExists:
            return kExitOutputExists;
        case PressResult::SignerFailed:
            return kExitSignerFailed;
        case PressResult::FileFailed:
            return kExitFileFailed;
        case PressResult::Cancelled:
            return cancelsignals::poll() == SIGTERM ? kExitTerminated : kExitInterrupted;
        case PressResult::AlreadyRunning:
        case PressResult::RangeLost:
            break;
    }
    return kExitUsage;
}

}  // namespace

int runPressJob(const PressOptions& options) {
    const QString outputDir = sealmill::outputDirectory(options.outputDirectory);
    if (outputDir.isEmpty()) {
        complain(QString(sealmill::kOutputPathTooLong));
        return kExitRefused;
    }
    const qint32 first = *sealmill::readSerialField(options.fromText);
    const qint32 last = *sealmill::readSerialField(options.toText);
    if (options.dryRun) {
        return dryRun(options, outputDir, first, last);
    }

    // The window refuses these silently; a script's user deserves a reason.
    if (!sealmill::isExistingFile(options.signerPath)) {
        complain(QStringLiteral("no signer program at %1 (give --signer, or set PGPPATH)")
                     .arg(options.signerPath));
        return kExitRefused;
    }
    if (!sealmill::IsExistingDirectory(options.outputDirectory)) {
        complain(
            QStringLiteral("the output directory %1 does not exist").arg(options.outputDirectory));
        return kExitRefused;
    }

    // A script may feed the template through a pipe, e.g. -t <(generate).
    sealmill::TemplateFileText loaded;
    try {
        loaded = sealmill::readTemplateFile(options.templateFile, sealmill::FileKinds::PipesToo);
    } catch (const sealmill::SealmillError& error) {
        complain(error.message() + u'.');
        return kExitFileFailed;
    }
    sealmill::MemoryTemplate lines(loaded.text, loaded.encoding);
    if (!lines.containsPlaceholder()) {
        complain(QStringLiteral("Text area MUST contain the @SERIAL@ variable"));
        return kExitUsage;
    }

    const PassphraseResult passphrase = readPassphrase(options);
    if (!passphrase.passphrase) {
        if (const int signal = cancelsignals::poll(); signal != 0) {
            return signal == SIGTERM ? kExitTerminated : kExitInterrupted;
        }
        complain(passphrase.error);
        return kExitUsage;
    }

    sealmill::StoredPressSettings settings;
    settings.runDir = options.outputDirectory;
    settings.pgpDir = options.signerPath;
    settings.serialFrom = options.fromText;
    settings.serialTo = options.toText;
    settings.runName = options.namePattern;
    settings.pgpId = options.keyId;
    settings.pass = QString::fromLocal8Bit(*passphrase.passphrase);

    const auto style = options.quiet             ? ProgressMeter::Style::Quiet
                       : terminal::isTerminal(2) ? ProgressMeter::Style::Bar
                                                 : ProgressMeter::Style::Lines;
    ProgressMeter meter(style, qint64{last} - first + 1);
    ConsoleSink sink(meter, options.quiet);
    sealmill::PressLoop loop(lines, settings, sink);
    return statusOf(loop.run());
}
