#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}
class Dialogs;

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TAboutBox() override;
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;
    TAboutBox(TAboutBox&&) = delete;
    TAboutBox& operator=(TAboutBox&&) = delete;

private:
    std::unique_ptr<Ui::TAboutBox> ui_;
    Dialogs& dialogs_;
};
