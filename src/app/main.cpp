// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "aboutbox.h"
#include "apptitle.h"
#include "appwindows.h"
#include "mainwindow.h"
#include "pressrunwindow.h"
#include "qtdialogs.h"

#include <QApplication>
#include <csignal>

int main(int argc, char* argv[]) {
#ifdef SIGCHLD
    // Ignored, as a parent may leave it, it has every signer reaped before its
    // exit status can be read.
    std::signal(SIGCHLD, SIG_DFL);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(sealmill::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(SEALMILL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("sealmill"));

    QtDialogs dialogs;
    AppWindows windows(dialogs);
    // The program ends when the main window closes, not when the press run
    // window closes while the main window is hidden.
    windows.pressRunWindow().setAttribute(Qt::WA_QuitOnClose, false);
    windows.aboutBox().setAttribute(Qt::WA_QuitOnClose, false);
    windows.mainWindow().show();
    return QApplication::exec();
}
