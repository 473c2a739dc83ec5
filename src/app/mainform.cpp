#include "mainform.h"

#include "ui_mainform.h"

TMainForm::TMainForm(Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TMainForm>()), dialogs_(dialogs) {
    ui_->setupUi(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::attach(TAboutBox* aboutBox, TPressRun* pressRun) {
    aboutBox_ = aboutBox;
    pressRun_ = pressRun;
}
