// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "appwindows.h"

#include "aboutbox.h"
#include "mainwindow.h"
#include "pressrunwindow.h"

#include <QApplication>
#include <QIcon>

AppWindows::AppWindows(Dialogs& dialogs)
    : mainWindow_(std::make_unique<MainWindow>(dialogs)),
      aboutBox_(std::make_unique<AboutBox>(dialogs)),
      pressRunWindow_(std::make_unique<PressRunWindow>(dialogs, *mainWindow_)) {
    mainWindow_->attach(aboutBox_.get(), pressRunWindow_.get());
    // The icon is a resource of this static library: a program gets it only
    // when something asks for it by name.
    Q_INIT_RESOURCE(sealmill);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sealmill.svg")));
}

// The press run window refers to the main window, so it goes first.
AppWindows::~AppWindows() {
    pressRunWindow_.reset();
    aboutBox_.reset();
    mainWindow_.reset();
}
