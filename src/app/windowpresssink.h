#pragma once

#include "presssink.h"

#include <functional>

class TPressRun;

// The press run window as the run's sink: its progress bar, status bar, Close
// button and Tag, and its message boxes.
class WindowPressSink final : public sealmill::PressSink {
public:
    explicit WindowPressSink(TPressRun& window) : window_(window) {}

    // Called once the run has begun, before the document is first changed.
    void setOnRunStarted(std::function<void()> action) { onRunStarted_ = std::move(action); }

    void runStarted() override;
    void progress(int position, const QString& status) override;
    void error(const QString& text, const QString& details) override;
    void failure(const QString& message) override;
    void idle() override;
    void succeeded() override;
    void processPendingEvents() override;
    void whileSignerRuns() override;
    [[nodiscard]] int cancelTag() const override;
    void setCancelTag(int tag) override;

private:
    TPressRun& window_;
    std::function<void()> onRunStarted_;
};
