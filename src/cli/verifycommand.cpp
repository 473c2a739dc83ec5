// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "verifycommand.h"

#include "cancelsignals.h"
#include "core/press/serialfield.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/verifyingkey.h"
#include "core/text/placeholder.h"
#include "core/text/templatefile.h"
#include "core/verify/batchcheck.h"
#include "exitstatus.h"
#include "presscommand.h"
#include "progressmeter.h"
#include "terminal.h"

#include <QTextStream>
#include <memory>

namespace {

// Problems go to standard output as they are found, the bar to standard error.
class VerifyReport final : public sealmill::BatchCheckSink {
public:
    VerifyReport(ProgressMeter& meter, qint64 first, qint64 total)
        : meter_(meter), first_(first), total_(total) {}

    void found(const sealmill::CopyProblem& problem) override {
        meter_.clearLine();
        out_ << (problem.serial > 0 ? QString::number(problem.serial) : QStringLiteral("-")) << ' '
             << problem.file << ": " << sealmill::describeProblem(problem) << '\n';
        out_.flush();
        ++problems_;
    }

    void checked(qint64 serial) override {
        const qint64 done = serial - first_ + 1;
        meter_.advance(static_cast<int>(done * 100 / total_),
                       QStringLiteral("%1 of %2 checked").arg(done).arg(total_));
    }

    [[nodiscard]] bool stopRequested() override { return cancelsignals::poll() != 0; }

    [[nodiscard]] qint64 problems() const { return problems_; }

private:
    ProgressMeter& meter_;
    qint64 first_;
    qint64 total_;
    qint64 problems_ = 0;
    QTextStream out_{stdout};
};

int cannotCheck(const QString& message) {
    terminal::writeError(errorText(message, {}));
    return kExitCannotCheck;
}

}  // namespace

int runVerifyCommand(const PressOptions& options) {
    const qint64 first = *sealmill::readSerialField(options.fromText);
    const qint64 last = *sealmill::readSerialField(options.toText);
    const sealmill::KeySource source =
        !options.publicKeyFile.isEmpty()
            ? sealmill::KeySource(sealmill::KeyFile{options.publicKeyFile})
        : !options.keyFile.isEmpty() ? sealmill::KeySource(sealmill::KeyFile{options.keyFile})
                                     : sealmill::KeySource(sealmill::KeyringKey{options.keyId, {}});
    try {
        const sealmill::TemplateFileText text = sealmill::readTemplateFile(
            options.templateFile, sealmill::FileKinds::PipesToo, sealmill::kTemplateCapacity,
            [] { return cancelsignals::poll() != 0; });
        if (!text.text.contains(sealmill::kPlaceholder)) {
            terminal::writeError(
                errorText(QStringLiteral("Text area MUST contain the @SERIAL@ variable"), {}));
            return kExitUsage;
        }
        auto key = sealmill::loadVerifyingKey(source);
        if (const auto* failure = std::get_if<sealmill::KeyFailure>(&key)) {
            return cannotCheck(failure->message);
        }
        const auto style = !options.quiet && terminal::isTerminal(2) ? ProgressMeter::Style::Bar
                                                                     : ProgressMeter::Style::Quiet;
        const qint64 total = last - first + 1;
        ProgressMeter meter(style, total);
        VerifyReport report(meter, first, total);
        std::optional<sealmill::RegisterReading> issued;
        if (!options.registerFile.isEmpty()) {
            issued = sealmill::readRegister(options.registerFile);
        }
        const sealmill::BatchCheckSummary summary =
            sealmill::checkBatch(text, *std::get<std::unique_ptr<sealmill::VerifyingKey>>(key),
                                 {options.outputDirectory, options.namePattern, first, last,
                                  options.jobs, issued ? &*issued : nullptr, options.registerFile},
                                 report);
        meter.finish();
        if (summary.stopped) {
            terminal::writeError(QStringLiteral("Stopped: %1 of %2 numbers checked.\n")
                                     .arg(summary.checked)
                                     .arg(total));
            return kExitSignalled + cancelsignals::poll();
        }
        if (!options.quiet) {
            QTextStream(stdout)
                << QStringLiteral(
                       "%1 numbers checked: %2 good, %3 with problems; %4 "
                       "stray files; key %5\n")
                       .arg(summary.checked)
                       .arg(summary.good)
                       .arg(summary.checked - summary.good)
                       .arg(summary.strays)
                       .arg(std::get<std::unique_ptr<sealmill::VerifyingKey>>(key)->name());
        }
        return report.problems() == 0 ? kExitPressed : kExitProblems;
    } catch (const sealmill::SealmillError& error) {
        if (cancelsignals::poll() != 0) {
            return kExitSignalled + cancelsignals::poll();
        }
        return cannotCheck(error.message());
    }
}
