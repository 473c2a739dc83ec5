#pragma once

#include <QMainWindow>
#include <memory>

namespace Ui {
class TMainForm;
}
class Dialogs;
class TAboutBox;
class TPressRun;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;
    TMainForm(TMainForm&&) = delete;
    TMainForm& operator=(TMainForm&&) = delete;

    void attach(TAboutBox* aboutBox, TPressRun* pressRun);

private:
    std::unique_ptr<Ui::TMainForm> ui_;
    Dialogs& dialogs_;
    TAboutBox* aboutBox_ = nullptr;
    TPressRun* pressRun_ = nullptr;
};
