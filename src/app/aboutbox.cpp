#include "aboutbox.h"

#include "ui_aboutbox.h"

TAboutBox::TAboutBox(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TAboutBox>()), dialogs_(dialogs) {
    ui_->setupUi(this);
}

TAboutBox::~TAboutBox() = default;
