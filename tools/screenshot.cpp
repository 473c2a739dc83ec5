// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the main window with a small template to a PNG for the README, and
// the press run window next to it when a second file is named.
//   QT_QPA_PLATFORM=offscreen screenshot docs/screenshot-main.png [press.png]
#include "appwindows.h"
#include "mainwindow.h"
#include "pressrunwindow.h"
#include "qtdialogs.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fputs("usage: screenshot <main.png> [press.png]\n", stderr);
        return 2;
    }
    QtDialogs dialogs;
    AppWindows windows(dialogs);
    MainWindow& form = windows.mainWindow();
    form.editor()->setPlainText(
        QStringLiteral("Certificate of authenticity\n"
                       "\n"
                       "This is copy No. @SERIAL@ of the limited edition\n"
                       "\"Rivers of the North\", printed in 2024.\n"
                       "\n"
                       "Keep this signed file with your copy: the signature\n"
                       "shows that the number above was issued by us.\n"));
    form.editor()->moveCursor(QTextCursor::End);
    form.show();
    form.showHint(QStringLiteral("Open press section"));
    QApplication::processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3) {
        PressRunWindow& press = windows.pressRunWindow();
        press.show();
        QApplication::processEvents();
        if (!press.grab().save(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
    }
    return 0;
}
