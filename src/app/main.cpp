#include "apptitle.h"
#include "appwindows.h"
#include "mainform.h"
#include "qtdialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(sealmill::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(SEALMILL_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sealmill.svg")));
    QApplication::setDesktopFileName(QStringLiteral("sealmill"));

    QtDialogs dialogs;
    AppWindows windows(dialogs);
    windows.MainForm().show();
    return QApplication::exec();
}
