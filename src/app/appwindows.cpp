#include "appwindows.h"

#include "aboutbox.h"
#include "mainform.h"
#include "pressrun.h"

#include <QApplication>
#include <QIcon>

AppWindows::AppWindows(Dialogs& dialogs)
    : mainForm_(std::make_unique<TMainForm>(dialogs)),
      aboutBox_(std::make_unique<TAboutBox>(dialogs)),
      pressRun_(std::make_unique<TPressRun>(dialogs, *mainForm_)) {
    mainForm_->attach(aboutBox_.get(), pressRun_.get());
    // The icon is a resource of this static library: a program gets it only
    // when something asks for it by name.
    Q_INIT_RESOURCE(sealmill);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sealmill.svg")));
}

// The press run window refers to the main window, so it goes first.
AppWindows::~AppWindows() {
    pressRun_.reset();
    aboutBox_.reset();
    mainForm_.reset();
}
