// How much time a press run spends on its own work per serial number (the
// substitution, the work file, putting the template back, the progress), with
// a signer that only copies the file, for templates from small to large, on
// both the plain-text document and the window's editor.
//
// Target: the program's own share per number stays under 5 ms for a 2 KB
// template, 20 ms for 100 KB and 200 ms for 1 MiB, so that for the templates
// people sign the real signer (about 100 ms and more per call with GnuPG) is
// what the user waits for. Exits 1 when a target is missed.
#include "editortemplate.h"
#include "memorytemplate.h"
#include "pressloop.h"
#include "storedpresssettings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

using namespace sealmill;

namespace {

struct QuietSink final : PressSink {
    int tag = 0;
    void runStarted() override {}
    void progress(int /*position*/, const QString& /*status*/) override {}
    void error(const QString& text, const QString& /*details*/) override {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    void failure(const QString& message) override {
        std::fprintf(stderr, "failure: %s\n", qPrintable(message));
    }
    void idle() override {}
    void succeeded() override {}
    void processPendingEvents() override { QCoreApplication::processEvents(); }
    [[nodiscard]] int cancelTag() const override { return tag; }
    void setCancelTag(int value) override { tag = value; }
};

// Signs by copying, as plainly as a real signer writes its output.
SignerOutcome copySigner(const SignerRequest& request, const std::function<void()>& /*wait*/) {
    QFile in(request.workFile);
    QFile out(request.outputFile);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        return {SignerOutcome::Ending::Exited, 2, {}};
    }
    out.write(in.readAll());
    return {SignerOutcome::Ending::Exited, 0, {}};
}

QString templateOf(qsizetype bytes) {
    QString text;
    int line = 0;
    while (text.size() < bytes) {
        text += line % 40 == 0
                    ? QStringLiteral("Serial @SERIAL@ of this offer, line %1\n").arg(line)
                    : QStringLiteral("An ordinary line of the offer's text, no %1.\n").arg(line);
        ++line;
    }
    return text;
}

double msPerNumber(TemplateLines& lines, int numbers) {
    QTemporaryDir dir(QStringLiteral("/tmp/smb-XXXXXX"));
    StoredPressSettings settings;
    settings.runDir = dir.path();
    settings.pgpDir = QCoreApplication::applicationFilePath();
    settings.serialFrom = QStringLiteral("1");
    settings.serialTo = QString::number(numbers);
    settings.runName = QStringLiteral("o@SERIAL@.asc");
    settings.pgpId = QStringLiteral("k");
    settings.pass = QStringLiteral("p");
    QuietSink sink;
    PressLoop loop(lines, settings, sink, copySigner);
    QElapsedTimer clock;
    clock.start();
    const PressResult result = loop.run();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6 / numbers;
    if (result != PressResult::Succeeded) {
        std::fprintf(stderr, "run did not succeed\n");
        return 1e9;
    }
    return ms;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    struct Case {
        const char* name;
        qsizetype bytes;
        int numbers;
        double targetMs;
    };
    const Case cases[] = {
        {"2 KB", 2 * 1024, 200, 5},
        {"100 KB", 100 * 1024, 50, 20},
        {"1 MiB", 1024 * 1024, 10, 200},
    };
    bool met = true;
    QTextStream out(stdout);
    out << "template   document   ms/number   editor   ms/number   target\n";
    for (const Case& c : cases) {
        MemoryTemplate memory(templateOf(c.bytes));
        const double plain = msPerNumber(memory, c.numbers);

        QPlainTextEdit editor;
        editor.setPlainText(templateOf(c.bytes));
        EditorTemplate adapter(editor);
        const double window = msPerNumber(adapter, c.numbers);

        out.flush();
        out << QStringLiteral("%1  %2  %3  %4\n")
                   .arg(QString::fromLatin1(c.name), -9)
                   .arg(plain, 19, 'f', 2)
                   .arg(window, 19, 'f', 2)
                   .arg(c.targetMs, 8, 'f', 0);
        met = met && plain < c.targetMs && window < c.targetMs;
    }
    out << (met ? "all targets met\n" : "TARGET MISSED\n");
    return met ? 0 : 1;
}
