#include "pressrun.h"

#include "browsedirectorydlg.h"
#include "commandguard.h"
#include "dialogs.h"
#include "editortemplate.h"
#include "encodingquestion.h"
#include "mainform.h"
#include "outputpath.h"
#include "pathrules.h"
#include "sealmillerror.h"
#include "serialfield.h"
#include "signerlocation.h"
#include "ui_pressrun.h"
#include "windowpresssettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QScreen>
#include <QShortcut>

namespace {

// A field read inside a rule, after step 1 made it readable; a failure here
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

// Captions size themselves to their text, as they did with the font the
// bounds were drawn for; one that would leave its parent wraps instead.
void fitCaption(QLabel* label) {
    constexpr int kMargin = 4;
    const int room = label->parentWidget()->width() - label->x() - kMargin;
    const int wanted = label->sizeHint().width();
    if (wanted <= label->width()) {
        return;
    }
    if (wanted <= room) {
        label->resize(wanted, label->height());
        return;
    }
    label->setWordWrap(true);
    label->resize(room, std::max(label->height(), label->heightForWidth(room)));
}

}  // namespace

TPressRun::TPressRun(Dialogs& dialogs, TMainForm& mainForm, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TPressRun>()),
      dialogs_(dialogs),
      mainForm_(mainForm),
      runDialog_(new TBrowseDirectoryDlg(dialogs, this)),
      settings_(std::make_unique<WindowPressSettings>(*this)),
      job_(*settings_) {
    ui_->setupUi(this);
    job_.setOutputDirectoryLimit(sealmill::kMaxOutputDirText);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ui_->StatusBar->showMessage(kIdleStatus);
    for (QLabel* caption :
         {ui_->FromLbl, ui_->ToLbl, ui_->Label6, ui_->label1, ui_->Label7, ui_->Label2}) {
        fitCaption(caption);
    }

    runDialog_->setObjectName(QStringLiteral("RUNdialog"));
    runDialog_->setTitle(QStringLiteral("Pick output destination"));
    runDialog_->setRoot(TRootID::idDrives);
    runDialog_->setOptions(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfComputers);

    ui_->UpDown1->setBuddy(ui_->SerialFrom);
    ui_->UpDown1->setRange(0, 32767);
    ui_->UpDown2->setBuddy(ui_->SerialTo);
    ui_->UpDown2->setRange(0, 100);
    ui_->SerialFrom->installEventFilter(this);
    ui_->SerialTo->installEventFilter(this);
    ui_->builtinSignerBox->installEventFilter(this);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, ui_->CancelBtn, &QPushButton::click);

    FormCreate();

    // Connected after the defaults are in, so no rule runs during creation.
    connect(ui_->SerialFrom, &QLineEdit::textChanged, this, &TPressRun::SerialFromChange);
    connect(ui_->SerialTo, &QLineEdit::textChanged, this, &TPressRun::SerialToChange);
    connect(ui_->SpeedButton1, &QToolButton::clicked, this, &TPressRun::SpeedButton1Click);
    connect(ui_->SpeedButton2, &QToolButton::clicked, this, &TPressRun::SpeedButton2Click);
    connect(ui_->CancelBtn, &QPushButton::clicked, this, &TPressRun::CancelBtnClick);
    connect(ui_->Run, &QPushButton::clicked, this, &TPressRun::RunClick);

    connect(&job_, &sealmill::PressJob::started, this,
            [this] { ui_->CancelBtn->setText(kRunningCaption); });
    connect(&job_, &sealmill::PressJob::progressed, this,
            [this](int position, const QString& status) {
                ui_->ProgressBar->setValue(position);
                ui_->StatusBar->showMessage(status);
            });
    connect(&job_, &sealmill::PressJob::cancelling, this, [this](qint64 serial) {
        ui_->StatusBar->showMessage(
            QStringLiteral("Cancelling: number %1 is being signed. Press Cancel again to stop now.")
                .arg(serial));
    });
    connect(&job_, &sealmill::PressJob::finished, this, &TPressRun::runFinished);
}

TPressRun::~TPressRun() = default;

QLineEdit* TPressRun::SerialFrom() const {
    return ui_->SerialFrom;
}
QLineEdit* TPressRun::SerialTo() const {
    return ui_->SerialTo;
}
QLineEdit* TPressRun::RunName() const {
    return ui_->RunName;
}
QLineEdit* TPressRun::PGPid() const {
    return ui_->PGPid;
}
QLineEdit* TPressRun::PassPhrase() const {
    return ui_->PassPhrase;
}
QLabel* TPressRun::PGPdir() const {
    return ui_->PGPdir;
}
QLabel* TPressRun::RUNdir() const {
    return ui_->RUNdir;
}
QProgressBar* TPressRun::ProgressBar() const {
    return ui_->ProgressBar;
}
QStatusBar* TPressRun::StatusBar() const {
    return ui_->StatusBar;
}
QPushButton* TPressRun::CancelBtn() const {
    return ui_->CancelBtn;
}
QPushButton* TPressRun::Run() const {
    return ui_->Run;
}
QCheckBox* TPressRun::builtinSignerBox() const {
    return ui_->builtinSignerBox;
}
SpinArrows* TPressRun::UpDown1() const {
    return ui_->UpDown1;
}
SpinArrows* TPressRun::UpDown2() const {
    return ui_->UpDown2;
}

void TPressRun::FormCreate() {
    ui_->PGPdir->setText(sealmill::signerPathFromEnvironment(sealmill::processEnvironmentBlock()));
    // Without a signer program there is nothing else to sign with.
    ui_->builtinSignerBox->setChecked(!sealmill::isExistingFile(ui_->PGPdir->text()));
    ui_->RUNdir->setText(sealmill::defaultOutputDirectory(sealmill::programDirectory(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()))));
}

void TPressRun::FormShow() {
    ui_->PGPid->setFocus();
}

bool TPressRun::isRunning() const {
    return job_.isRunning();
}

// A click on Run during a run is ignored: runs never nest.
void TPressRun::RunClick() {
    if (job_.isRunning()) {
        return;
    }
    runCommand(dialogs_, this, [this] {
        EditorTemplate& document = mainForm_.editorTemplate();
        // The copies are written as a save would write the document.
        if (!settleFileEncoding(dialogs_, this, document)) {
            return;
        }
        sealmill::Signer& signer = ui_->builtinSignerBox->isChecked()
                                       ? static_cast<sealmill::Signer&>(builtinSigner_)
                                       : programSigner_;
        job_.start({document.text(), document.encoding()}, signer);
    });
}

// Close outside a run. During one, a first click lets the signer finish its
// number and closes the window then; a second stops the signer at once.
void TPressRun::CancelBtnClick() {
    if (job_.isRunning()) {
        job_.cancel();
        return;
    }
    closeWindow();
}

void TPressRun::closeWindow() {
    hide();
    mainForm_.show();
    mainForm_.raise();
    mainForm_.activateWindow();
}

void TPressRun::showIdle() {
    ui_->ProgressBar->setValue(0);
    ui_->StatusBar->showMessage(kIdleStatus);
    ui_->CancelBtn->setText(kIdleCaption);
}

void TPressRun::runFinished(const sealmill::PressOutcome& outcome) {
    using sealmill::PressResult;
    const auto showError = [&] {
        dialogs_.message(this,
                         {MessageKind::Error, outcome.message, MessageButton::Ok, outcome.details});
    };
    switch (outcome.result) {
        case PressResult::Refused:
            if (!outcome.message.isEmpty()) {
                showError();
            }
            return;
        case PressResult::OutputExists:
        case PressResult::SignerFailed:
            showError();
            showIdle();
            break;
        case PressResult::FileFailed:
            showIdle();
            dialogs_.message(this, {MessageKind::Failure, outcome.message + u'.', MessageButton::Ok,
                                    outcome.details});
            break;
        case PressResult::Succeeded:
            showIdle();
            dialogs_.message(
                this, {MessageKind::Information, sealmill::kRunSucceeded, MessageButton::Ok, {}});
            closeWindow();
            return;
        case PressResult::Cancelled:
        case PressResult::Stopped:
        case PressResult::RangeLost:
            showIdle();
            break;
    }
    // A first cancel closes the window once the run is over; a second one,
    // which stopped the signer, leaves it open.
    if (job_.isCancelling() && outcome.result != PressResult::Stopped) {
        closeWindow();
    }
}

void TPressRun::SerialFromChange() {
    runCommand(dialogs_, this, [this] { applySerialRule(ui_->SerialFrom, ui_->SerialTo, true); });
}

void TPressRun::SerialToChange() {
    runCommand(dialogs_, this, [this] { applySerialRule(ui_->SerialTo, ui_->SerialFrom, false); });
}

// The two rules mirror each other. Every step reads the fields afresh: a
// write runs the written field's rule at once, nested, to its end.
void TPressRun::applySerialRule(QLineEdit* own, QLineEdit* other, bool ownIsFrom) {
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
    const qint64 count = qint64{numberOf(ui_->SerialTo)} - numberOf(ui_->SerialFrom) + 1;
    ui_->sumlabel->setText(kSumPrefix + QString::number(count));
}

void TPressRun::SpeedButton1Click() {
    FileDialogRequest request;
    request.title = QStringLiteral("Path to PGP.EXE");
#ifdef Q_OS_WIN
    request.filters = {QStringLiteral("PGP program file (PGP.EXE)")};
#else
    request.filters = {QStringLiteral("PGP program file (PGP.EXE pgp pgpgpg)")};
#endif
    request.fileName = ui_->PGPdir->text();
    request.mustExist = true;
    if (const auto chosen = dialogs_.openFile(this, request)) {
        ui_->PGPdir->setText(QDir::toNativeSeparators(chosen->fileName));
        ui_->builtinSignerBox->setChecked(false);  // a program picked is a program to use
    }
}

void TPressRun::SpeedButton2Click() {
    if (runDialog_->Execute()) {
        ui_->RUNdir->setText(runDialog_->Directory());
    }
}

bool TPressRun::eventFilter(QObject* watched, QEvent* event) {
    // The signer choice explains itself on the status line while the pointer
    // rests on it, unless a run reports there.
    if (watched == ui_->builtinSignerBox && !job_.isRunning()) {
        if (event->type() == QEvent::Enter) {
            ui_->StatusBar->showMessage(ui_->builtinSignerBox->statusTip());
        } else if (event->type() == QEvent::Leave) {
            ui_->StatusBar->showMessage(kIdleStatus);
        }
    }
    if ((watched == ui_->SerialFrom || watched == ui_->SerialTo) &&
        event->type() == QEvent::KeyPress && !acceptsTyped(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TPressRun::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

// A close from the window manager is the Close button.
void TPressRun::closeEvent(QCloseEvent* event) {
    event->ignore();
    CancelBtnClick();
}

// While this window shows, the main window is hidden, so a minimised one
// would leave nothing to click. Idle, minimising is the Close button, which
// brings the main window back; during a run, which it must not cancel, the
// window comes straight back.
void TPressRun::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isRunning()) {
                    showNormal();
                } else {
                    setWindowState(windowState() & ~Qt::WindowMinimized);
                    CancelBtnClick();
                }
            },
            Qt::QueuedConnection);
    }
}
