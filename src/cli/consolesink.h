#pragma once

#include "presssink.h"
#include "progressmeter.h"

// The press run's reports as text on standard error; a cancelling signal
// counts as a click on Cancel.
class ConsoleSink final : public sealmill::PressSink {
public:
    ConsoleSink(ProgressMeter& meter, bool quiet);

    void runStarted() override {}
    void progress(int position, const QString& status) override;
    void error(const QString& text, const QString& details) override;
    void failure(const QString& message) override;
    void idle() override;
    void succeeded() override;
    void processPendingEvents() override;
    void whileSignerRuns() override;
    [[nodiscard]] int cancelTag() const override;
    void setCancelTag(int tag) override { tag_ = tag; }

    // An error line as a user reads it: the box's carriage returns become line
    // breaks, and the details follow, indented.
    [[nodiscard]] static QString errorText(const QString& text, const QString& details);

private:
    ProgressMeter& meter_;
    bool quiet_;
    int tag_ = 0;
};
