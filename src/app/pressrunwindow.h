// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/pressjob.h"
#include "core/signing/builtin/builtinsigner.h"
#include "core/signing/program/programsigner.h"
#include "core/verify/pressregister.h"

#include <QLatin1StringView>
#include <QWidget>
#include <memory>
#include <optional>

namespace Ui {
class PressRunWindow;
}
class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class SpinArrows;
class MainWindow;
class WindowPressSettings;

class PressRunWindow : public QWidget {
    Q_OBJECT

public:
    PressRunWindow(Dialogs& dialogs, MainWindow& mainWindow, QWidget* parent = nullptr);
    ~PressRunWindow() override;
    Q_DISABLE_COPY_MOVE(PressRunWindow)

    static constexpr QLatin1StringView kSerialError{
        "This field requires a positive nonzero integer value!"};
    static constexpr QLatin1StringView kSumPrefix{"Number to press: "};
    static constexpr QLatin1StringView kRunningCaption{"&Cancel"};
    static constexpr QLatin1StringView kIdleCaption{"&Close"};

    // The controls the run reads and writes.
    [[nodiscard]] QLineEdit* serialFromField() const;
    [[nodiscard]] QLineEdit* serialToField() const;
    [[nodiscard]] QLineEdit* namePatternField() const;
    [[nodiscard]] QLineEdit* keyIdField() const;
    [[nodiscard]] QLineEdit* passPhraseField() const;
    [[nodiscard]] QLabel* signerPathLabel() const;
    [[nodiscard]] QLabel* outputDirLabel() const;
    [[nodiscard]] QProgressBar* progressBar() const;
    [[nodiscard]] QStatusBar* statusBar() const;
    [[nodiscard]] QPushButton* closeButton() const;
    [[nodiscard]] QPushButton* runButton() const;
    [[nodiscard]] QCheckBox* builtinSignerBox() const;
    [[nodiscard]] QCheckBox* registerBox() const;
    [[nodiscard]] QLabel* registerPathLabel() const;
    [[nodiscard]] SpinArrows* serialFromArrows() const;
    [[nodiscard]] SpinArrows* serialToArrows() const;
    [[nodiscard]] bool isRunning() const;

    // Handlers, connected to their controls in the constructor.
    void startRun();
    void closeOrCancel();
    void applySerialFromRule();
    void applySerialToRule();
    void chooseSigner();
    void chooseOutputDirectory();
    void chooseRegisterFile();
    void applyRegisterChoice(bool kept);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setDefaults();
    void focusKeyField();
    void applySerialRule(QLineEdit* own, QLineEdit* other, bool ownIsFrom);
    void closeWindow();
    void showIdle(const QString& status);
    void runFinished(const sealmill::PressOutcome& outcome);
    [[nodiscard]] bool openRegister();
    void startRegister();
    void recordPublished(const QList<qint64>& serials);

    std::unique_ptr<Ui::PressRunWindow> ui_;
    Dialogs& dialogs_;
    MainWindow& mainWindow_;
    std::unique_ptr<WindowPressSettings> settings_;
    sealmill::ProgramSigner programSigner_;
    sealmill::BuiltinSigner builtinSigner_;
    sealmill::PressJob job_;
    std::optional<sealmill::PressRegister> register_;  // a run's, while it keeps one
    QString registerPath_;                             // the register the next run keeps, if any
    QString registerFailure_;                          // why the run's register stopped it
};
