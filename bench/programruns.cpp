// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "programruns.h"

#include "app/appwindows.h"
#include "app/editortemplate.h"
#include "app/mainwindow.h"
#include "app/pressrunwindow.h"
#include "benchdialogs.h"
#include "core/press/numberedcopies.h"
#include "core/text/templatefile.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <cstdio>

namespace {

double elapsedMs(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

bool allPressed(const QString& dir, int numbers) {
    const qsizetype outputs =
        QDir(dir).entryList({QStringLiteral("Sealmilled-file-*")}, QDir::Files).size();
    if (outputs != numbers || QDir(dir).entryList(QDir::Files).size() != numbers) {
        std::fprintf(stderr, "run left %lld outputs for %d numbers, or stray files\n",
                     static_cast<long long>(outputs), numbers);
        return false;
    }
    return true;
}

// Sets up and shows the window, then times Run Press! alone into `ms`.
bool pressInWindow(AppWindows& windows, BenchDialogs& dialogs, const QString& signer,
                   const QString& dir, int numbers, double& ms) {
    PressRunWindow& press = windows.pressRunWindow();
    press.serialToField()->setText(QString::number(numbers));
    press.serialFromField()->setText(QStringLiteral("1"));
    press.keyIdField()->setText(QStringLiteral("Bench Key"));
    press.passPhraseField()->setText(QStringLiteral("pass phrase"));
    press.signerPathLabel()->setText(signer);
    press.builtinSignerBox()->setChecked(false);
    press.outputDirLabel()->setText(dir);
    windows.mainWindow().hide();
    press.show();
    QCoreApplication::processEvents();
    dialogs.errors.clear();
    QElapsedTimer clock;
    clock.start();
    press.startRun();
    while (press.isRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ms = elapsedMs(clock);
    if (!dialogs.errors.isEmpty()) {
        std::fprintf(stderr, "window run: %s\n", qPrintable(dialogs.errors.join(u'\n')));
        return false;
    }
    return true;
}

bool openTemplate(AppWindows& windows, BenchDialogs& dialogs, const QString& templateFile) {
    dialogs.fileToOpen = templateFile;
    dialogs.errors.clear();
    windows.pressRunWindow().hide();
    windows.mainWindow().show();
    windows.mainWindow().newFile();
    QCoreApplication::processEvents();
    windows.mainWindow().open();
    QCoreApplication::processEvents();
    if (!dialogs.errors.isEmpty() ||
        !sealmill::holdsPlaceholder(windows.mainWindow().editorTemplate().text())) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(dialogs.errors.join(u'\n')));
        return false;
    }
    return true;
}

}  // namespace

double windowRunMs(AppWindows& windows, BenchDialogs& dialogs, const QString& templateFile,
                   const QString& signer, const QString& dir, int numbers) {
    if (!openTemplate(windows, dialogs, templateFile)) {
        return -1;
    }
    double ms = 0;
    if (!pressInWindow(windows, dialogs, signer, dir, numbers, ms)) {
        return -1;
    }
    return allPressed(dir, numbers) ? ms / numbers : -1;
}

double commandLineRunMs(const QString& templateFile, const QString& signer, const QString& dir,
                        int numbers) {
    QProcess press;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SEALMILL_PASSPHRASE"), QStringLiteral("pass phrase"));
    press.setProcessEnvironment(environment);
    press.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    press.start(QStringLiteral(SEALMILL_PRESS_PROGRAM),
                {QStringLiteral("--quiet"), QStringLiteral("--template"), templateFile,
                 QStringLiteral("--from"), QStringLiteral("1"), QStringLiteral("--to"),
                 QString::number(numbers), QStringLiteral("--key"), QStringLiteral("Bench Key"),
                 QStringLiteral("--signer"), signer, QStringLiteral("--output"), dir});
    if (!press.waitForFinished(-1) || press.exitStatus() != QProcess::NormalExit ||
        press.exitCode() != 0) {
        std::fprintf(stderr, "sealmill-press ended with %d\n", press.exitCode());
        return -1;
    }
    const double ms = elapsedMs(clock) / numbers;
    return allPressed(dir, numbers) ? ms : -1;
}

double editorOpenMs(AppWindows& windows, BenchDialogs& dialogs, const QString& templateFile) {
    dialogs.fileToOpen = templateFile;
    windows.pressRunWindow().hide();
    windows.mainWindow().show();
    windows.mainWindow().newFile();
    QCoreApplication::processEvents();
    dialogs.errors.clear();
    QElapsedTimer clock;
    clock.start();
    windows.mainWindow().open();
    QCoreApplication::processEvents();
    const double ms = elapsedMs(clock);
    if (!dialogs.errors.isEmpty() || windows.mainWindow().editor()->blockCount() < 2) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(dialogs.errors.join(u'\n')));
        return -1;
    }
    return ms;
}

double readAndDecodeMs(const QString& templateFile) {
    QElapsedTimer clock;
    clock.start();
    const sealmill::TemplateFileText text = sealmill::readTemplateFile(templateFile);
    const double ms = elapsedMs(clock);
    return text.text.isEmpty() ? -1 : ms;
}

long peakResidentKiB(const QString& templateFile, const QString& signer, const QString& dir,
                     int numbers) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--memory-child"), templateFile, signer, dir, QString::number(numbers)});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        return -1;
    }
    bool ok = false;
    const long kib = child.readAllStandardOutput().trimmed().toLong(&ok);
    return ok ? kib : -1;
}

namespace {

// The process's own high-water mark: a parent's figure for a child counts the
// parent's memory too when the child was started by vfork.
long ownPeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return -1;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').constFirst().toLong();
        }
    }
    return -1;
}

}  // namespace

int runMemoryChild(const QString& templateFile, const QString& signer, const QString& dir,
                   int numbers) {
    BenchDialogs dialogs;
    AppWindows windows(dialogs);
    windows.mainWindow().show();
    QCoreApplication::processEvents();
    double ms = 0;
    if (!templateFile.isEmpty()) {
        if (!openTemplate(windows, dialogs, templateFile) ||
            !pressInWindow(windows, dialogs, signer, dir, numbers, ms) ||
            !allPressed(dir, numbers)) {
            return 1;
        }
    }
    std::printf("%ld\n", ownPeakKiB());
    return 0;
}
