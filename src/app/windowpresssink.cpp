#include "windowpresssink.h"

#include "dialogs.h"
#include "pressrun.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

void WindowPressSink::runStarted() {
    window_.CancelBtn()->setText(sealmill::kRunningCaption);
    if (onRunStarted_) {
        onRunStarted_();
    }
}

// The figures are painted when the run lets pending events through, right
// after this: painting them here as well, or the whole window, cost more per
// number than everything else the run does around a cheap signer.
void WindowPressSink::progress(int position, const QString& status) {
    window_.ProgressBar()->setValue(position);
    window_.StatusBar()->showMessage(status);
}

void WindowPressSink::error(const QString& text, const QString& details) {
    window_.dialogs().message(&window_, {MessageKind::Error, text, MessageButton::Ok, details});
}

void WindowPressSink::failure(const QString& message) {
    window_.dialogs().message(&window_,
                              {MessageKind::Failure, message + u'.', MessageButton::Ok, {}});
}

void WindowPressSink::idle() {
    window_.ProgressBar()->setValue(0);
    window_.StatusBar()->showMessage(sealmill::kIdleStatus);
    window_.CancelBtn()->setText(sealmill::kIdleCaption);
}

void WindowPressSink::succeeded() {
    window_.dialogs().message(
        &window_, {MessageKind::Information, sealmill::kRunSucceeded, MessageButton::Ok, {}});
    window_.CancelBtnClick();
}

void WindowPressSink::processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Paint only: input waits for the round between two numbers, so a Cancel click
// lets the running signer finish and its number count.
void WindowPressSink::whileSignerRuns() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

int WindowPressSink::cancelTag() const {
    return window_.Tag();
}

void WindowPressSink::setCancelTag(int tag) {
    window_.setTag(tag);
}
