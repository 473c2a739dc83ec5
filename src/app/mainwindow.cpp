// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "mainwindow.h"

#include "aboutbox.h"
#include "apptitle.h"
#include "commandguard.h"
#include "core/platform/pathrules.h"
#include "core/press/numberedcopies.h"
#include "dialogs.h"
#include "editortemplate.h"
#include "encodingquestion.h"
#include "pressrunwindow.h"
#include "templateprinting.h"
#include "toolicons.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <QStyle>

using sealmill::kApplicationTitle;

namespace {

const QStringList& templateFilters() {
    static const QStringList filters{
        QStringLiteral("Any type of files (*)"),
        QStringLiteral("Textfile (*.txt)"),
        QStringLiteral("ASCII file (*.asc)"),
        QStringLiteral("Rich Text File (*.rtf)"),
    };
    return filters;
}

}  // namespace

MainWindow::MainWindow(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::MainWindow>()),
      dialogs_(dialogs),
      printing_(std::make_unique<TemplatePrinting>(dialogs)) {
    ui_->setupUi(this);
    template_ = std::make_unique<EditorTemplate>(*ui_->editor);
    connectCommands();
    setUpWindow();
}

MainWindow::~MainWindow() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

void MainWindow::attach(AboutBox* aboutBox, PressRunWindow* pressRun) {
    aboutBox_ = aboutBox;
    pressRunWindow_ = pressRun;
}

QPlainTextEdit* MainWindow::editor() {
    return ui_->editor;
}

void MainWindow::connectCommands() {
    const struct {
        QAction* item;
        void (MainWindow::*handler)();
    } items[] = {
        {ui_->fileNewItem, &MainWindow::newFile},
        {ui_->fileOpenItem, &MainWindow::open},
        {ui_->fileSaveItem, &MainWindow::save},
        {ui_->fileSaveAsItem, &MainWindow::saveAs},
        {ui_->filePrintItem, &MainWindow::print},
        {ui_->filePrintSetupItem, &MainWindow::printSetup},
        {ui_->fileExitItem, &MainWindow::exitProgram},
        {ui_->editUndoItem, &MainWindow::undo},
        {ui_->editCutItem, &MainWindow::cut},
        {ui_->editCopyItem, &MainWindow::copy},
        {ui_->editPasteItem, &MainWindow::paste},
        {ui_->pressRunItem, &MainWindow::openPressRun},
        {ui_->helpAboutItem, &MainWindow::about},
    };
    for (const auto& [item, handler] : items) {
        connect(item, &QAction::triggered, this, handler);
    }

    const struct {
        QToolButton* button;
        void (MainWindow::*handler)();
        ToolPicture picture;
    } buttons[] = {
        {ui_->newButton, &MainWindow::newFile, ToolPicture::New},
        {ui_->openButton, &MainWindow::open, ToolPicture::Open},
        {ui_->saveButton, &MainWindow::save, ToolPicture::Save},
        {ui_->cutButton, &MainWindow::cut, ToolPicture::Cut},
        {ui_->copyButton, &MainWindow::copy, ToolPicture::Copy},
        {ui_->pasteButton, &MainWindow::paste, ToolPicture::Paste},
        {ui_->pressButton, &MainWindow::openPressRun, ToolPicture::Press},
        {ui_->aboutButton, &MainWindow::about, ToolPicture::About},
    };
    for (const auto& [button, handler, picture] : buttons) {
        connect(button, &QToolButton::clicked, this, handler);
        if (button->icon().isNull()) {
            button->setIcon(fallbackToolIcon(picture, *style()));
        }
    }
}

void MainWindow::setUpWindow() {
    // Hints of every window come here, wherever the pointer rests.
    qApp->installEventFilter(this);
    newFile();
    setWindowTitle(kApplicationTitle);
}

void MainWindow::focusEditor() {
    ui_->editor->setFocus();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    focusEditor();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        showHint(static_cast<QStatusTipEvent*>(event)->tip());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showHint(const QString& hint) {
    const QString shown = hint.isEmpty() ? runEnding_ : hint;
    if (shown.isEmpty()) {
        ui_->statusLine->clearMessage();
    } else {
        ui_->statusLine->showMessage(shown);
    }
}

void MainWindow::showRunEnding(const QString& text) {
    runEnding_ = text;
    showHint({});
}

void MainWindow::setCurrentFile(const QString& name) {
    currentFile_ = name;
    setWindowTitle(sealmill::namePart(name) + QStringLiteral(" - ") + kApplicationTitle);
}

bool MainWindow::maybeSave() {
    if (!template_->isModified()) {
        return true;
    }
    const MessageButton answer =
        dialogs_.message(this, {MessageKind::Confirmation,
                                QStringLiteral("Save changes to %1?").arg(currentFile_),
                                MessageButton::Yes | MessageButton::No | MessageButton::Cancel,
                                {}});
    switch (answer) {
        case MessageButton::Yes:
            saveDocument();
            return !template_->isModified();
        case MessageButton::No:
            return true;
        default:
            return false;
    }
}

void MainWindow::newDocument() {
    setCurrentFile(kUntitled);
    template_->clear();
    template_->setModified(false);
}

void MainWindow::newFile() {
    runCommand(dialogs_, this, [this] {
        if (maybeSave()) {
            newDocument();
        }
    });
}

void MainWindow::open() {
    runCommand(dialogs_, this, [this] {
        if (!maybeSave()) {
            return;
        }
        FileDialogRequest request;
        request.filters = templateFilters();
        request.selectedFilter = openDialog_.filter;
        request.fileName = openDialog_.fileName;
        request.showReadOnlyBox = true;
        request.readOnly = openDialog_.readOnly;
        const auto chosen = dialogs_.openFile(this, request);
        if (!chosen) {
            return;
        }
        openDialog_ = {chosen->fileName, chosen->selectedFilter, chosen->readOnly};
        template_->loadFromFile(chosen->fileName);
        setCurrentFile(chosen->fileName);
        ui_->editor->setFocus();
        template_->setModified(false);
        ui_->editor->setReadOnly(chosen->readOnly);
    });
}

void MainWindow::saveDocument() {
    if (currentFile_ == kUntitled) {
        saveDocumentAs();
        return;
    }
    if (!settleFileEncoding(dialogs_, this, *template_)) {
        return;
    }
    template_->saveToFile(currentFile_);
    template_->setModified(false);
}

void MainWindow::saveDocumentAs() {
    if (!settleFileEncoding(dialogs_, this, *template_)) {
        return;
    }
    FileDialogRequest request;
    request.filters = templateFilters();
    request.selectedFilter = saveDialog_.filter;
    request.fileName = saveDialog_.fileName;
    const auto chosen = dialogs_.saveFile(this, request);
    if (!chosen) {
        return;
    }
    saveDialog_ = {chosen->fileName, chosen->selectedFilter, false};
    const QString& path = chosen->fileName;
    if (sealmill::isExistingFile(path)) {
        const MessageButton answer =
            dialogs_.message(this, {MessageKind::Confirmation,
                                    QStringLiteral("OK to overwrite %1").arg(path),
                                    MessageButton::Yes | MessageButton::No | MessageButton::Cancel,
                                    {}});
        if (answer != MessageButton::Yes) {
            return;
        }
    }
    template_->saveToFile(path);
    setCurrentFile(path);
    template_->setModified(false);
}

void MainWindow::save() {
    runCommand(dialogs_, this, [this] { saveDocument(); });
}

void MainWindow::saveAs() {
    runCommand(dialogs_, this, [this] { saveDocumentAs(); });
}

void MainWindow::print() {
    runCommand(dialogs_, this, [this] { printing_->print(this, *ui_->editor); });
}

void MainWindow::printSetup() {
    runCommand(dialogs_, this, [this] { printing_->printSetup(this); });
}

void MainWindow::exitProgram() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    bool proceed = false;
    runCommand(dialogs_, this, [&] { proceed = maybeSave(); });
    if (proceed) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The editor's own Undo changes even a read-only text.
void MainWindow::undo() {
    if (!ui_->editor->isReadOnly()) {
        ui_->editor->undo();
    }
}

void MainWindow::cut() {
    ui_->editor->cut();
}

void MainWindow::copy() {
    ui_->editor->copy();
}

void MainWindow::paste() {
    ui_->editor->paste();
}

void MainWindow::openPressRun() {
    runCommand(dialogs_, this, [this] {
        if (sealmill::holdsPlaceholder(template_->text())) {
            if (pressRunWindow_ != nullptr) {
                showRunEnding({});
                pressRunWindow_->show();
                pressRunWindow_->raise();
                pressRunWindow_->activateWindow();
                hide();
            }
            return;
        }
        dialogs_.message(this, {MessageKind::Error,
                                QStringLiteral("Text area MUST contain the @SERIAL@ variable"),
                                MessageButton::Ok,
                                {}});
        ui_->editor->setFocus();
    });
}

void MainWindow::about() {
    if (aboutBox_ != nullptr) {
        aboutBox_->exec();
    }
}
