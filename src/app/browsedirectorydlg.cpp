#include "browsedirectorydlg.h"

#include "dialogs.h"
#include "pathrules.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWidget>

int specialFolderNumber(TRootID root) {
    const int ordinal = static_cast<int>(root);
    return root >= TRootID::idDesktopDirectory ? ordinal + 4 : ordinal;
}

quint32 browseFlagWord(TBrowseFlags options) {
    return static_cast<quint32>(options.toInt());
}

QString rootDirectory(TRootID root) {
    using SP = QStandardPaths;
    const auto standard = [](SP::StandardLocation location, const QString& below = {}) {
        QString path = SP::writableLocation(location);
        if (!below.isEmpty() && !path.isEmpty()) {
            path = QDir(path).filePath(below);
        }
        return path;
    };
    QString path;
    switch (root) {
        case TRootID::idDesktop:
        case TRootID::idDesktopExpanded:
        case TRootID::idDesktopDirectory:
            path = standard(SP::DesktopLocation);
            break;
        case TRootID::idPrograms:
        case TRootID::idStartMenu:
            path = standard(SP::ApplicationsLocation);
            break;
        case TRootID::idPersonal:
            path = standard(SP::DocumentsLocation);
            break;
        case TRootID::idStartup:
            path = standard(SP::GenericConfigLocation, QStringLiteral("autostart"));
            break;
        case TRootID::idRecycleBin:
            path = standard(SP::GenericDataLocation, QStringLiteral("Trash"));
            break;
        case TRootID::idFonts:
            path = standard(SP::FontsLocation);
            break;
        case TRootID::idTemplates:
            path = standard(SP::HomeLocation, QStringLiteral("Templates"));
            break;
        case TRootID::idDrives:
        case TRootID::idNetwork:
        case TRootID::idNetHood:
            path = QDir::rootPath();
            break;
        case TRootID::idControlPanel:
        case TRootID::idPrinters:
        case TRootID::idFavorites:
        case TRootID::idRecent:
        case TRootID::idSendTo:
            break;
    }
    if (!sealmill::IsExistingDirectory(path)) {
        path = QDir::homePath();
    }
    return QDir::toNativeSeparators(path);
}

TBrowseDirectoryDlg::TBrowseDirectoryDlg(Dialogs& dialogs, QObject* owner)
    : QObject(owner), dialogs_(dialogs) {
}

bool TBrowseDirectoryDlg::Execute() {
    QWidget* window = nullptr;
    if (auto* widget = qobject_cast<QWidget*>(parent())) {
        window = widget->window();
    } else {
        window = QApplication::activeWindow();
    }
    const auto picked = BrowseForDirectory(dialogs_, window, title_, root_, options_);
    if (picked) {
        directory_ = *picked;
    }
    return picked.has_value();
}

// Qt's chooser stands in for the shell browser. It always lists directories
// only, which covers bfDirectoriesOnly; the other flags have no counterpart.
std::optional<QString> TBrowseDirectoryDlg::BrowseForDirectory(Dialogs& dialogs, QWidget* owner,
                                                               const QString& title, TRootID root,
                                                               TBrowseFlags /*options*/) {
    const auto chosen = dialogs.directory(owner, {title, rootDirectory(root)});
    if (!chosen || chosen->isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(*chosen);
}
