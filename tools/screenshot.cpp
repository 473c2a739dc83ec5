// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the main window with a small template to a PNG for the README, and
// the press run window and the About box when more files are named.
//   QT_QPA_PLATFORM=offscreen screenshot docs/screenshot-main.png [press.png [about.png]]
// (QT_FONT_DPI=120 or 144 renders them at larger fonts.)
#include "app/aboutbox.h"
#include "app/appwindows.h"
#include "app/mainwindow.h"
#include "app/pressrunwindow.h"
#include "app/qtdialogs.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 4) {
        std::fputs("usage: screenshot <main.png> [press.png [about.png]]\n", stderr);
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
    QWidget* const shown[] = {&form, &windows.pressRunWindow(), &windows.aboutBox()};
    for (int i = 1; i < argc; ++i) {
        QWidget* window = shown[i - 1];
        window->show();
        QApplication::processEvents();
        if (!window->grab().save(QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
