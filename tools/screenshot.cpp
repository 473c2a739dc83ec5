// Renders the main window with a small template to a PNG for the README.
//   QT_QPA_PLATFORM=offscreen screenshot docs/screenshot-main.png
#include "appwindows.h"
#include "mainform.h"
#include "qtdialogs.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: screenshot <file.png>\n", stderr);
        return 2;
    }
    QtDialogs dialogs;
    AppWindows windows(dialogs);
    TMainForm& form = windows.MainForm();
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
    form.ShowHint(QStringLiteral("Open press section"));
    QApplication::processEvents();
    if (!form.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
