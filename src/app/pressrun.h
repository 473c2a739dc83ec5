#pragma once

#include "signer.h"

#include <QLatin1StringView>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class TPressRun;
}
namespace sealmill {
class PressLoop;
}
class Dialogs;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class SpinArrows;
class TBrowseDirectoryDlg;
class TMainForm;
class WindowPressSettings;
class WindowPressSink;

class TPressRun : public QWidget {
    Q_OBJECT

public:
    TPressRun(Dialogs& dialogs, TMainForm& mainForm, QWidget* parent = nullptr);
    ~TPressRun() override;
    TPressRun(const TPressRun&) = delete;
    TPressRun& operator=(const TPressRun&) = delete;
    TPressRun(TPressRun&&) = delete;
    TPressRun& operator=(TPressRun&&) = delete;

    // The status text of an idle window.
    static constexpr QLatin1StringView kIdleStatus{"Choose your settings and press the button..."};
    static constexpr QLatin1StringView kSerialError{
        "This field requires a positive nonzero integer value!"};
    static constexpr QLatin1StringView kSumPrefix{"Number to press: "};

    // -1 once Close or Cancel was pressed; the run clears it.
    [[nodiscard]] int Tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    [[nodiscard]] const QStringList& ExitCodeNames() const { return exitCodeNames_; }

    // The controls the run reads and writes.
    [[nodiscard]] QLineEdit* SerialFrom() const;
    [[nodiscard]] QLineEdit* SerialTo() const;
    [[nodiscard]] QLineEdit* RunName() const;
    [[nodiscard]] QLineEdit* PGPid() const;
    [[nodiscard]] QLineEdit* PassPhrase() const;
    [[nodiscard]] QLabel* PGPdir() const;
    [[nodiscard]] QLabel* RUNdir() const;
    [[nodiscard]] QLabel* sumlabel() const;
    [[nodiscard]] QProgressBar* ProgressBar() const;
    [[nodiscard]] QStatusBar* StatusBar() const;
    [[nodiscard]] QPushButton* CancelBtn() const;
    [[nodiscard]] QPushButton* Run() const;
    [[nodiscard]] SpinArrows* UpDown1() const;
    [[nodiscard]] SpinArrows* UpDown2() const;
    [[nodiscard]] TBrowseDirectoryDlg* RUNdialog() const { return runDialog_; }
    [[nodiscard]] TMainForm& MainForm() const { return mainForm_; }
    [[nodiscard]] Dialogs& dialogs() const { return dialogs_; }

    // Handlers, connected to their controls in the constructor.
    void RunClick();
    void CancelBtnClick();
    void SerialFromChange();
    void SerialToChange();
    void SpeedButton1Click();
    void SpeedButton2Click();

    // The steps of a run, on the main window's document and this window's
    // fields.
    void InitPress();
    [[nodiscard]] QString OutFilePrep(qint64 serial) const;
    void ReplaceVar(qint64 serial);
    [[nodiscard]] bool UpdateOutput(qint64 serial);
    [[nodiscard]] bool isRunning() const;

    // Starts the signer with no window of its own and waits for it, painting
    // this window meanwhile; the run's signer for every number.
    static sealmill::SignerOutcome WinExecAndWait(const sealmill::SignerRequest& request,
                                                  const std::function<void()>& whileWaiting);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void applySerialRule(QLineEdit* own, QLineEdit* other, bool ownIsFrom);

    std::unique_ptr<Ui::TPressRun> ui_;
    Dialogs& dialogs_;
    TMainForm& mainForm_;
    TBrowseDirectoryDlg* runDialog_;
    void beginDocumentRun();

    QStringList exitCodeNames_;
    int tag_ = 0;
    std::unique_ptr<WindowPressSettings> settings_;
    std::unique_ptr<WindowPressSink> sink_;
    std::unique_ptr<sealmill::PressLoop> loop_;
    bool undoSwitchedOff_ = false;
};
