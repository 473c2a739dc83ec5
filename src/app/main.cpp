#include "aboutbox.h"
#include "apptitle.h"
#include "appwindows.h"
#include "mainform.h"
#include "pressrun.h"
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
    // The program ends when the main window closes, not when the press run
    // window closes while the main window is hidden.
    windows.PressRun().setAttribute(Qt::WA_QuitOnClose, false);
    windows.AboutBox().setAttribute(Qt::WA_QuitOnClose, false);
    windows.MainForm().show();
    return QApplication::exec();
}
