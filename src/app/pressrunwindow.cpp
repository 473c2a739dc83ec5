// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pressrunwindow.h"

#include "commandguard.h"
#include "core/platform/pathrules.h"
#include "core/press/outcomewords.h"
#include "core/press/outputpath.h"
#include "core/press/serialfield.h"
#include "core/press/startfolders.h"
#include "core/sealmillerror.h"
#include "core/signing/program/signerlocation.h"
#include "dialogs.h"
#include "editortemplate.h"
#include "encodingquestion.h"
#include "mainwindow.h"
#include "ui_pressrunwindow.h"
#include "windowpresssettings.h"
#include "windowsize.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>

using namespace Qt::StringLiterals;

namespace {

// A field read inside a rule, once its first step made it readable; a failure here
// can only come from a field written from outside the rules.
qint32 numberOf(const QLineEdit* field) {
    const auto number = sealmill::readSerialField(field->text());
    if (!number) {
        throw sealmill::SealmillError(sealmill::invalidIntegerMessage(field->text()));
    }
    return *number;
}

// What a serial field lets through: digits, control characters (Backspace,
// Enter) and keys without a character, whatever modifier keys are held: with
// Alt, AltGr or Super a letter would be typed. Only Ctrl (with Shift or not)
// never types; those keys are commands such as Paste and pass. Access keys
// never get here.
bool acceptsTyped(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier ||
        modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        return true;
    }
    const QString text = key.text();
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || (c >= u'0' && c <= u'9');
    });
}

MessageKind messageKind(sealmill::OutcomeWords::Box box) {
    using Box = sealmill::OutcomeWords::Box;
    switch (box) {
        case Box::Failure:
            return MessageKind::Failure;
        case Box::Information:
            return MessageKind::Information;
        case Box::None:
        case Box::Error:
            break;
    }
    return MessageKind::Error;
}

}  // namespace

PressRunWindow::PressRunWindow(Dialogs& dialogs, MainWindow& mainWindow, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::PressRunWindow>()),
      dialogs_(dialogs),
      mainWindow_(mainWindow),
      settings_(std::make_unique<WindowPressSettings>(*this)),
      job_(*settings_) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Room for a five-digit number, more than the fields were drawn with only
    // in a larger font.
    for (QLineEdit* field : {ui_->serialFromField, ui_->serialToField}) {
        field->setMaximumWidth(
            std::max(field->minimumWidth(), field->fontMetrics().horizontalAdvance(u"00000000"_s)));
    }
    ui_->statusBar->showMessage(sealmill::kIdleStatus);

    ui_->serialFromArrows->setBuddy(ui_->serialFromField);
    ui_->serialFromArrows->setRange(0, 32767);
    ui_->serialToArrows->setBuddy(ui_->serialToField);
    ui_->serialToArrows->setRange(0, 100);
    ui_->serialFromField->installEventFilter(this);
    ui_->serialToField->installEventFilter(this);
    ui_->builtinSignerBox->installEventFilter(this);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, ui_->closeButton, &QPushButton::click);

    setDefaults();
    fixWindowSize(*this, size());

    // Connected after the defaults are in, so no rule runs during creation.
    connect(ui_->serialFromField, &QLineEdit::textChanged, this,
            &PressRunWindow::applySerialFromRule);
    connect(ui_->serialToField, &QLineEdit::textChanged, this, &PressRunWindow::applySerialToRule);
    connect(ui_->browseSignerButton, &QToolButton::clicked, this, &PressRunWindow::chooseSigner);
    connect(ui_->browseOutputButton, &QToolButton::clicked, this,
            &PressRunWindow::chooseOutputDirectory);
    connect(ui_->registerBox, &QCheckBox::toggled, this, &PressRunWindow::applyRegisterChoice);
    connect(ui_->browseRegisterButton, &QToolButton::clicked, this,
            &PressRunWindow::chooseRegisterFile);
    connect(ui_->closeButton, &QPushButton::clicked, this, &PressRunWindow::closeOrCancel);
    connect(ui_->runButton, &QPushButton::clicked, this, &PressRunWindow::startRun);

    connect(&job_, &sealmill::PressJob::started, this, [this] {
        ui_->closeButton->setText(kRunningCaption);
        startRegister();
    });
    connect(&job_, &sealmill::PressJob::progressed, this,
            [this](int position, const QString& status) {
                ui_->progressBar->setValue(position);
                ui_->statusBar->showMessage(status);
            });
    connect(&job_, &sealmill::PressJob::noted, this,
            [this](const QString& text) { ui_->statusBar->showMessage(text); });
    connect(&job_, &sealmill::PressJob::cancelling, this, [this](qint64 first, qint64 last) {
        ui_->statusBar->showMessage(
            QStringLiteral("Cancelling: %1. Press Cancel again to stop now.")
                .arg(sealmill::numbersBeingSigned(first, last)));
    });
    connect(&job_, &sealmill::PressJob::copiesPublished, this, &PressRunWindow::recordPublished);
    connect(&job_, &sealmill::PressJob::finished, this, &PressRunWindow::runFinished);
}

PressRunWindow::~PressRunWindow() = default;

QLineEdit* PressRunWindow::serialFromField() const {
    return ui_->serialFromField;
}
QLineEdit* PressRunWindow::serialToField() const {
    return ui_->serialToField;
}
QLineEdit* PressRunWindow::namePatternField() const {
    return ui_->namePatternField;
}
QLineEdit* PressRunWindow::keyIdField() const {
    return ui_->keyIdField;
}
QLineEdit* PressRunWindow::passPhraseField() const {
    return ui_->passPhraseField;
}
QLabel* PressRunWindow::signerPathLabel() const {
    return ui_->signerPathLabel;
}
QLabel* PressRunWindow::outputDirLabel() const {
    return ui_->outputDirLabel;
}
QProgressBar* PressRunWindow::progressBar() const {
    return ui_->progressBar;
}
QStatusBar* PressRunWindow::statusBar() const {
    return ui_->statusBar;
}
QPushButton* PressRunWindow::closeButton() const {
    return ui_->closeButton;
}
QPushButton* PressRunWindow::runButton() const {
    return ui_->runButton;
}
QCheckBox* PressRunWindow::builtinSignerBox() const {
    return ui_->builtinSignerBox;
}
QCheckBox* PressRunWindow::registerBox() const {
    return ui_->registerBox;
}
QLabel* PressRunWindow::registerPathLabel() const {
    return ui_->registerPathLabel;
}
SpinArrows* PressRunWindow::serialFromArrows() const {
    return ui_->serialFromArrows;
}
SpinArrows* PressRunWindow::serialToArrows() const {
    return ui_->serialToArrows;
}

void PressRunWindow::setDefaults() {
    ui_->signerPathLabel->setText(
        sealmill::signerPathFromEnvironment(sealmill::processEnvironmentBlock()));
    // Without a signer program there is nothing else to sign with.
    ui_->builtinSignerBox->setChecked(!sealmill::isExistingFile(ui_->signerPathLabel->text()));
    ui_->outputDirLabel->setText(sealmill::defaultOutputDirectory(sealmill::programDirectory(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()))));
}

void PressRunWindow::focusKeyField() {
    ui_->keyIdField->setFocus();
}

bool PressRunWindow::isRunning() const {
    return job_.isRunning();
}

// A click on Run during a run is ignored: runs never nest.
void PressRunWindow::startRun() {
    if (job_.isRunning()) {
        return;
    }
    runCommand(dialogs_, this, [this] {
        ui_->statusBar->showMessage(sealmill::kIdleStatus);  // whatever an earlier refusal said
        EditorTemplate& document = mainWindow_.editorTemplate();
        // The copies are written as a save would write the document.
        if (!settleFileEncoding(dialogs_, this, document, kPressAsUtf8Question)) {
            return;
        }
        sealmill::Signer& signer = ui_->builtinSignerBox->isChecked()
                                       ? static_cast<sealmill::Signer&>(builtinSigner_)
                                       : programSigner_;
        if (!openRegister()) {
            return;
        }
        job_.start({document.text(), document.encoding()}, signer);
    });
}

// Close outside a run. During one, a first click lets the signer finish its
// number and closes the window then; a second stops the signer at once.
void PressRunWindow::closeOrCancel() {
    if (job_.isRunning()) {
        job_.cancel();
        return;
    }
    closeWindow();
}

void PressRunWindow::closeWindow() {
    hide();
    mainWindow_.show();
    mainWindow_.raise();
    mainWindow_.activateWindow();
}

void PressRunWindow::showIdle(const QString& status) {
    ui_->progressBar->setValue(0);
    ui_->statusBar->showMessage(status);
    ui_->closeButton->setText(kIdleCaption);
}

// Opens the register the run keeps, if it keeps one; false, once the user
// has been told why, when the register refuses the run.
bool PressRunWindow::openRegister() {
    register_.reset();
    registerPath_.clear();
    registerFailure_.clear();
    if (!ui_->registerBox->isChecked()) {
        return true;
    }
    const QString path = ui_->registerPathLabel->text();
    if (const auto why = sealmill::PressRegister::refusal(path, numberOf(ui_->serialFromField),
                                                          numberOf(ui_->serialToField))) {
        dialogs_.message(this, {MessageKind::Error, *why, MessageButton::Ok, {}});
        return false;
    }
    registerPath_ = path;
    return true;
}

// Opened once the run has passed its own checks, so that a refused run
// leaves no new register behind.
void PressRunWindow::startRegister() {
    if (registerPath_.isEmpty()) {
        return;
    }
    try {
        register_.emplace(registerPath_, sealmill::outputDirectory(ui_->outputDirLabel->text()),
                          ui_->namePatternField->text());
    } catch (const sealmill::SealmillError& error) {
        registerFailure_ = error.message();
        job_.stop();
    }
}

// A copy the register cannot name must not be followed by more: the run stops.
void PressRunWindow::recordPublished(const QList<qint64>& serials) {
    if (!register_ || !registerFailure_.isEmpty()) {
        return;
    }
    try {
        register_->recordPublished(serials);
    } catch (const sealmill::SealmillError& error) {
        registerFailure_ = error.message();
        job_.stop();
    }
}

void PressRunWindow::runFinished(const sealmill::PressOutcome& outcome) {
    using Box = sealmill::OutcomeWords::Box;
    register_.reset();
    const sealmill::OutcomeWords words =
        sealmill::describeOutcome(outcome, {ui_->signerPathLabel->text()});
    // Whatever the job made of its end, a run whose register failed failed.
    if (!registerFailure_.isEmpty()) {
        dialogs_.message(this, {MessageKind::Error, registerFailure_, MessageButton::Ok, {}});
        showIdle(words.statusLine);
        return;
    }
    const auto showBox = [&] {
        dialogs_.message(this,
                         {messageKind(words.box), words.boxText, MessageButton::Ok, words.details});
    };
    if (words.box == Box::Error) {
        showBox();
    }
    showIdle(words.statusLine);
    if (words.box == Box::Failure || words.box == Box::Information) {
        showBox();
    }
    if (words.closesWindow) {
        closeWindow();
        // What a cancelled run pressed stays in sight once the editor is back.
        if (outcome.result == sealmill::PressResult::Cancelled) {
            mainWindow_.showRunEnding(words.statusLine);
        }
    }
}

void PressRunWindow::applySerialFromRule() {
    runCommand(dialogs_, this,
               [this] { applySerialRule(ui_->serialFromField, ui_->serialToField, true); });
}

void PressRunWindow::applySerialToRule() {
    runCommand(dialogs_, this,
               [this] { applySerialRule(ui_->serialToField, ui_->serialFromField, false); });
}

// The two rules mirror each other. Every step reads the fields afresh: a
// write runs the written field's rule at once, nested, to its end.
void PressRunWindow::applySerialRule(QLineEdit* own, QLineEdit* other, bool ownIsFrom) {
    if (!sealmill::readSerialField(own->text())) {
        dialogs_.message(this, {MessageKind::Error, kSerialError, MessageButton::Ok, {}});
        own->setText(QStringLiteral("0"));
    }
    const bool outOfOrder =
        ownIsFrom ? numberOf(own) > numberOf(other) : numberOf(own) < numberOf(other);
    if (outOfOrder) {
        other->setText(own->text());
    }
    if (numberOf(own) < 1) {
        own->setText(QStringLiteral("1"));
        return;
    }
    const qint64 count = qint64{numberOf(ui_->serialToField)} - numberOf(ui_->serialFromField) + 1;
    ui_->countLabel->setText(kSumPrefix + QString::number(count));
}

void PressRunWindow::chooseSigner() {
    FileDialogRequest request;
    request.title = QStringLiteral("Path to PGP.EXE");
    request.filters = {QStringLiteral("PGP program file (PGP.EXE pgp pgpgpg)")};
    request.fileName = ui_->signerPathLabel->text();
    request.mustExist = true;
    if (const auto chosen = dialogs_.openFile(this, request)) {
        ui_->signerPathLabel->setText(QDir::toNativeSeparators(chosen->fileName));
        ui_->builtinSignerBox->setChecked(false);  // a program picked is a program to use
    }
}

void PressRunWindow::chooseOutputDirectory() {
    const auto picked = dialogs_.directory(
        this, {QStringLiteral("Pick output destination"), ui_->outputDirLabel->text()});
    if (picked && !picked->isEmpty()) {
        ui_->outputDirLabel->setText(QDir::toNativeSeparators(*picked));
    }
}

void PressRunWindow::applyRegisterChoice(bool kept) {
    ui_->registerPathLabel->setEnabled(kept);
    ui_->browseRegisterButton->setEnabled(kept);
    if (kept && ui_->registerPathLabel->text().isEmpty()) {
        // Beside the output folder, not in it, so that the register is not
        // taken for one of the folder's copies.
        const QFileInfo folder(
            QDir::cleanPath(QDir::fromNativeSeparators(ui_->outputDirLabel->text())));
        ui_->registerPathLabel->setText(
            QDir::toNativeSeparators(folder.dir().filePath(u"issued.csv"_s)));
    }
}

void PressRunWindow::chooseRegisterFile() {
    FileDialogRequest request;
    request.title = QStringLiteral("Register of issued copies");
    request.filters = {QStringLiteral("Register (*.csv)"), QStringLiteral("All files (*)")};
    request.fileName = ui_->registerPathLabel->text();
    if (const auto chosen = dialogs_.saveFile(this, request)) {
        ui_->registerPathLabel->setText(QDir::toNativeSeparators(chosen->fileName));
    }
}

bool PressRunWindow::eventFilter(QObject* watched, QEvent* event) {
    // The signer choice explains itself on the status line while the pointer
    // rests on it, unless a run reports there.
    if (watched == ui_->builtinSignerBox && !job_.isRunning()) {
        if (event->type() == QEvent::Enter) {
            ui_->statusBar->showMessage(ui_->builtinSignerBox->statusTip());
        } else if (event->type() == QEvent::Leave) {
            ui_->statusBar->showMessage(sealmill::kIdleStatus);
        }
    }
    if ((watched == ui_->serialFromField || watched == ui_->serialToField) &&
        event->type() == QEvent::KeyPress && !acceptsTyped(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PressRunWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    focusKeyField();
}

// A close from the window manager is the Close button.
void PressRunWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    closeOrCancel();
}

// While this window shows, the main window is hidden, so a minimised one
// would leave nothing to click. Idle, minimising is the Close button, which
// brings the main window back; during a run, which it must not cancel, the
// window comes straight back.
void PressRunWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isRunning()) {
                    showNormal();
                } else {
                    setWindowState(windowState() & ~Qt::WindowMinimized);
                    closeOrCancel();
                }
            },
            Qt::QueuedConnection);
    }
}
