#pragma once

#include "builtinsigner.h"
#include "pressjob.h"
#include "programsigner.h"

#include <QLatin1StringView>
#include <QWidget>
#include <memory>

namespace Ui {
class TPressRun;
}
class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class SpinArrows;
class TBrowseDirectoryDlg;
class TMainForm;
class WindowPressSettings;

class TPressRun : public QWidget {
    Q_OBJECT

public:
    TPressRun(Dialogs& dialogs, TMainForm& mainForm, QWidget* parent = nullptr);
    ~TPressRun() override;
    Q_DISABLE_COPY_MOVE(TPressRun)

    static constexpr QLatin1StringView kIdleStatus{"Choose your settings and press the button..."};
    static constexpr QLatin1StringView kSerialError{
        "This field requires a positive nonzero integer value!"};
    static constexpr QLatin1StringView kSumPrefix{"Number to press: "};
    static constexpr QLatin1StringView kRunningCaption{"&Cancel"};
    static constexpr QLatin1StringView kIdleCaption{"&Close"};

    // The controls the run reads and writes.
    [[nodiscard]] QLineEdit* SerialFrom() const;
    [[nodiscard]] QLineEdit* SerialTo() const;
    [[nodiscard]] QLineEdit* RunName() const;
    [[nodiscard]] QLineEdit* PGPid() const;
    [[nodiscard]] QLineEdit* PassPhrase() const;
    [[nodiscard]] QLabel* PGPdir() const;
    [[nodiscard]] QLabel* RUNdir() const;
    [[nodiscard]] QProgressBar* ProgressBar() const;
    [[nodiscard]] QStatusBar* StatusBar() const;
    [[nodiscard]] QPushButton* CancelBtn() const;
    [[nodiscard]] QPushButton* Run() const;
    [[nodiscard]] QCheckBox* builtinSignerBox() const;
    [[nodiscard]] SpinArrows* UpDown1() const;
    [[nodiscard]] SpinArrows* UpDown2() const;
    [[nodiscard]] bool isRunning() const;

    // Handlers, connected to their controls in the constructor.
    void RunClick();
    void CancelBtnClick();
    void SerialFromChange();
    void SerialToChange();
    void SpeedButton1Click();
    void SpeedButton2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void applySerialRule(QLineEdit* own, QLineEdit* other, bool ownIsFrom);
    void closeWindow();
    void showIdle();
    void runFinished(const sealmill::PressOutcome& outcome);

    std::unique_ptr<Ui::TPressRun> ui_;
    Dialogs& dialogs_;
    TMainForm& mainForm_;
    TBrowseDirectoryDlg* runDialog_;
    std::unique_ptr<WindowPressSettings> settings_;
    sealmill::ProgramSigner programSigner_;
    sealmill::BuiltinSigner builtinSigner_;
    sealmill::PressJob job_;
};
