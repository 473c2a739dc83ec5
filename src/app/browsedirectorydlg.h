#pragma once

#include <QFlags>
#include <QObject>
#include <QString>
#include <optional>

class Dialogs;
class QWidget;

// The folder at the top of the chooser, in the shell's order.
enum class TRootID : quint8 {
    idDesktop,
    idDesktopExpanded,
    idPrograms,
    idControlPanel,
    idPrinters,
    idPersonal,
    idFavorites,
    idStartup,
    idRecent,
    idSendTo,
    idRecycleBin,
    idStartMenu,
    idDesktopDirectory,
    idDrives,
    idNetwork,
    idNetHood,
    idFonts,
    idTemplates,
};

// The shell's special-folder number of a root (they jump from 11 to 16).
[[nodiscard]] int specialFolderNumber(TRootID root);

// Each value carries the shell browser's own flag bit.
enum class TBrowseFlag : quint16 {
    bfDirectoriesOnly = 0x0001,
    bfDomainOnly = 0x0002,
    bfAncestors = 0x0008,
    bfComputers = 0x1000,
    bfPrinters = 0x2000,
};
Q_DECLARE_FLAGS(TBrowseFlags, TBrowseFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TBrowseFlags)

// The browser's flag word: the OR of the chosen flags, 0 for none.
[[nodiscard]] quint32 browseFlagWord(TBrowseFlags options);

// Where a root lies in this file system: the nearest standard location, the
// file-system root for idDrives, and the home directory if nothing fits.
[[nodiscard]] QString rootDirectory(TRootID root);

// A directory chooser placed on a window like a common dialog.
class TBrowseDirectoryDlg : public QObject {
    Q_OBJECT

public:
    TBrowseDirectoryDlg(Dialogs& dialogs, QObject* owner);

    [[nodiscard]] const QString& Title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    [[nodiscard]] TRootID Root() const { return root_; }
    void setRoot(TRootID root) { root_ = root; }
    [[nodiscard]] TBrowseFlags Options() const { return options_; }
    void setOptions(TBrowseFlags options) { options_ = options; }
    // The last directory picked; only Execute writes it.
    [[nodiscard]] const QString& Directory() const { return directory_; }

    // True when a directory was picked; Directory is unchanged otherwise.
    virtual bool Execute();

    // The picked directory's full path, or nullopt when the user cancelled.
    [[nodiscard]] static std::optional<QString> BrowseForDirectory(Dialogs& dialogs, QWidget* owner,
                                                                   const QString& title,
                                                                   TRootID root,
                                                                   TBrowseFlags options);

private:
    Dialogs& dialogs_;
    QString title_;
    TRootID root_ = TRootID::idDesktopExpanded;
    TBrowseFlags options_;
    QString directory_;
};
