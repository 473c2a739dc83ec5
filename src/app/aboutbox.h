#pragma once

#include "systemmemory.h"

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}
class Dialogs;

// The product's name and two live figures of the machine, measured afresh
// each time the box is shown.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(Dialogs& dialogs, QWidget* parent = nullptr,
                       sealmill::SystemFigures figures = {});
    ~TAboutBox() override;
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;
    TAboutBox(TAboutBox&&) = delete;
    TAboutBox& operator=(TAboutBox&&) = delete;

    // Runs FormShow before the box appears, so its figures are never stale.
    void setVisible(bool visible) override;

private:
    void FormShow();
    void placeFigures();

    std::unique_ptr<Ui::TAboutBox> ui_;
    Dialogs& dialogs_;
    sealmill::SystemFigures figures_;
    int figuresLeft_ = 0;  // where the figures stand when they fit
    int designedWidth_ = 0;
};
