#include "mainform.h"

#include "aboutbox.h"
#include "apptitle.h"
#include "commandguard.h"
#include "dialogs.h"
#include "editortemplate.h"
#include "encodingquestion.h"
#include "numberedcopies.h"
#include "pathrules.h"
#include "pressrun.h"
#include "templateprinting.h"
#include "toolicons.h"
#include "ui_mainform.h"

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

TMainForm::TMainForm(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TMainForm>()),
      dialogs_(dialogs),
      printing_(std::make_unique<TemplatePrinting>(dialogs)) {
    ui_->setupUi(this);
    template_ = std::make_unique<EditorTemplate>(*ui_->Editor);
    connectCommands();
    FormCreate();
}

TMainForm::~TMainForm() {
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
}

void TMainForm::attach(TAboutBox* aboutBox, TPressRun* pressRun) {
    aboutBox_ = aboutBox;
    pressRun_ = pressRun;
}

QPlainTextEdit* TMainForm::editor() {
    return ui_->Editor;
}

void TMainForm::connectCommands() {
    const struct {
        QAction* item;
        void (TMainForm::*handler)();
    } items[] = {
        {ui_->FileNewItem, &TMainForm::FileNew},
        {ui_->FileOpenItem, &TMainForm::FileOpen},
        {ui_->FileSaveItem, &TMainForm::FileSave},
        {ui_->FileSaveAsItem, &TMainForm::FileSaveAs},
        {ui_->FilePrintItem, &TMainForm::FilePrint},
        {ui_->FilePrintSetupItem, &TMainForm::FilePrintSetup},
        {ui_->FileExitItem, &TMainForm::FileExit},
        {ui_->EditUndoItem, &TMainForm::EditUndo},
        {ui_->EditCutItem, &TMainForm::EditCut},
        {ui_->EditCopyItem, &TMainForm::EditCopy},
        {ui_->EditPasteItem, &TMainForm::EditPaste},
        {ui_->PressRun1, &TMainForm::PressRun1Click},
        {ui_->HelpAboutItem, &TMainForm::HelpAbout},
    };
    for (const auto& [item, handler] : items) {
        connect(item, &QAction::triggered, this, handler);
    }

    const struct {
        QToolButton* button;
        void (TMainForm::*handler)();
        ToolPicture picture;
    } buttons[] = {
        {ui_->SpeedButton1, &TMainForm::FileNew, ToolPicture::New},
        {ui_->SpeedButton2, &TMainForm::FileOpen, ToolPicture::Open},
        {ui_->SpeedButton3, &TMainForm::FileSave, ToolPicture::Save},
        {ui_->SpeedButton4, &TMainForm::EditCut, ToolPicture::Cut},
        {ui_->SpeedButton5, &TMainForm::EditCopy, ToolPicture::Copy},
        {ui_->SpeedButton6, &TMainForm::EditPaste, ToolPicture::Paste},
        {ui_->SpeedButton7, &TMainForm::SpeedButton7Click, ToolPicture::Press},
        {ui_->AboutButton, &TMainForm::HelpAbout, ToolPicture::About},
    };
    for (const auto& [button, handler, picture] : buttons) {
        connect(button, &QToolButton::clicked, this, handler);
        if (button->icon().isNull()) {
            button->setIcon(fallbackToolIcon(picture, *style()));
        }
    }
}

void TMainForm::FormCreate() {
    // Hints of every window come here, wherever the pointer rests.
    qApp->installEventFilter(this);
    FileNew();
    setWindowTitle(kApplicationTitle);
}

void TMainForm::FormShow() {
    ui_->Editor->setFocus();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownBefore_) {
        shownBefore_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    FormShow();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ShowHint(const QString& hint) {
    if (hint.isEmpty()) {
        ui_->StatusLine->clearMessage();
    } else {
        ui_->StatusLine->showMessage(hint);
    }
}

void TMainForm::SetFileName(const QString& name) {
    CurrentFileName = name;
    setWindowTitle(sealmill::namePart(name) + QStringLiteral(" - ") + kApplicationTitle);
}

bool TMainForm::CheckFileSave() {
    if (!template_->isModified()) {
        return true;
    }
    const MessageButton answer =
        dialogs_.message(this, {MessageKind::Confirmation,
                                QStringLiteral("Save changes to %1?").arg(CurrentFileName),
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

void TMainForm::newDocument() {
    SetFileName(kUntitled);
    template_->clear();
    template_->setModified(false);
}

void TMainForm::FileNew() {
    runCommand(dialogs_, this, [this] {
        if (CheckFileSave()) {
            newDocument();
        }
    });
}

void TMainForm::FileOpen() {
    runCommand(dialogs_, this, [this] {
        if (!CheckFileSave()) {
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
        SetFileName(chosen->fileName);
        ui_->Editor->setFocus();
        template_->setModified(false);
        ui_->Editor->setReadOnly(chosen->readOnly);
    });
}

void TMainForm::saveDocument() {
    if (CurrentFileName == kUntitled) {
        saveDocumentAs();
        return;
    }
    if (!settleFileEncoding(dialogs_, this, *template_)) {
        return;
    }
    template_->saveToFile(CurrentFileName);
    template_->setModified(false);
}

void TMainForm::saveDocumentAs() {
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
    SetFileName(path);
    template_->setModified(false);
}

void TMainForm::FileSave() {
    runCommand(dialogs_, this, [this] { saveDocument(); });
}

void TMainForm::FileSaveAs() {
    runCommand(dialogs_, this, [this] { saveDocumentAs(); });
}

void TMainForm::FilePrint() {
    runCommand(dialogs_, this, [this] { printing_->print(this, *ui_->Editor); });
}

void TMainForm::FilePrintSetup() {
    runCommand(dialogs_, this, [this] { printing_->printSetup(this); });
}

void TMainForm::FileExit() {
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool proceed = false;
    runCommand(dialogs_, this, [&] { proceed = CheckFileSave(); });
    if (proceed) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The editor's own Undo changes even a read-only text.
void TMainForm::EditUndo() {
    if (!ui_->Editor->isReadOnly()) {
        ui_->Editor->undo();
    }
}

void TMainForm::EditCut() {
    ui_->Editor->cut();
}

void TMainForm::EditCopy() {
    ui_->Editor->copy();
}

void TMainForm::EditPaste() {
    ui_->Editor->paste();
}

void TMainForm::PressRun1Click() {
    SpeedButton7Click();
}

void TMainForm::SpeedButton7Click() {
    runCommand(dialogs_, this, [this] {
        if (sealmill::holdsPlaceholder(template_->text())) {
            if (pressRun_ != nullptr) {
                pressRun_->show();
                pressRun_->raise();
                pressRun_->activateWindow();
                hide();
            }
            return;
        }
        dialogs_.message(this, {MessageKind::Error,
                                QStringLiteral("Text area MUST contain the @SERIAL@ variable"),
                                MessageButton::Ok,
                                {}});
        ui_->Editor->setFocus();
    });
}

void TMainForm::HelpAbout() {
    if (aboutBox_ != nullptr) {
        aboutBox_->exec();
    }
}
