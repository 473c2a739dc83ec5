#include "pressrun.h"

#include "ui_pressrun.h"

TPressRun::TPressRun(Dialogs& dialogs, TMainForm& mainForm, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TPressRun>()), dialogs_(dialogs),
      mainForm_(mainForm) {
    ui_->setupUi(this);
}

TPressRun::~TPressRun() = default;
