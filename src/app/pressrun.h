#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TPressRun;
}
class Dialogs;
class TMainForm;

class TPressRun : public QWidget {
    Q_OBJECT

public:
    TPressRun(Dialogs& dialogs, TMainForm& mainForm, QWidget* parent = nullptr);
    ~TPressRun() override;
    TPressRun(const TPressRun&) = delete;
    TPressRun& operator=(const TPressRun&) = delete;
    TPressRun(TPressRun&&) = delete;
    TPressRun& operator=(TPressRun&&) = delete;

private:
    std::unique_ptr<Ui::TPressRun> ui_;
    Dialogs& dialogs_;
    TMainForm& mainForm_;
};
