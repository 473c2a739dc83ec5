#include "consolesink.h"

#include "cancelsignals.h"
#include "terminal.h"

#include <QCoreApplication>

ConsoleSink::ConsoleSink(ProgressMeter& meter, bool quiet) : meter_(meter), quiet_(quiet) {
}

QString ConsoleSink::errorText(const QString& text, const QString& details) {
    QString out = QCoreApplication::applicationName() + QStringLiteral(": ") + text;
    out.replace(u'\r', u'\n');
    out += u'\n';
    if (!details.trimmed().isEmpty()) {
        out += QStringLiteral("The signer said:\n");
        const QStringList lines = details.trimmed().split(u'\n');
        for (const QString& line : lines) {
            out += QStringLiteral("  ") + line.trimmed() + u'\n';
        }
    }
    return out;
}

void ConsoleSink::progress(int position, const QString& status) {
    meter_.advance(position, status);
}

void ConsoleSink::error(const QString& text, const QString& details) {
    meter_.finish();
    terminal::writeError(errorText(text, details));
}

void ConsoleSink::failure(const QString& message) {
    meter_.finish();
    terminal::writeError(errorText(message + u'.', {}));
}

void ConsoleSink::idle() {
    meter_.finish();
}

void ConsoleSink::succeeded() {
    if (!quiet_) {
        terminal::writeError(QString(sealmill::kRunSucceeded) + u'\n');
    }
    tag_ = -1;  // as the window's Close does after its message
}

void ConsoleSink::processPendingEvents() {
    QCoreApplication::processEvents();
    (void)cancelsignals::poll();
}

void ConsoleSink::whileSignerRuns() {
    (void)cancelsignals::poll();
}

int ConsoleSink::cancelTag() const {
    return cancelsignals::poll() != 0 ? -1 : tag_;
}
