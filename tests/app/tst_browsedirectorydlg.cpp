#include "browsedirectorydlg.h"
#include "fakedialogs.h"

#include <QDir>
#include <QTest>
#include <QWidget>

class TestBrowseDirectoryDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void flagWordsAndRoots() {
        QCOMPARE(browseFlagWord({}), 0U);
        QCOMPARE(browseFlagWord(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfDomainOnly |
                                TBrowseFlag::bfAncestors | TBrowseFlag::bfComputers |
                                TBrowseFlag::bfPrinters),
                 0x300BU);
        for (int ordinal = 0; ordinal < 18; ++ordinal) {
            const QString path = rootDirectory(TRootID(ordinal));
            QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
        }
        QCOMPARE(rootDirectory(TRootID::idDrives), QDir::toNativeSeparators(QDir::rootPath()));
    }

    void executeKeepsTheLastPick() {
        FakeDialogs dialogs;
        QWidget owner;
        TBrowseDirectoryDlg dlg(dialogs, &owner);
        dlg.setTitle(u"Pick output destination"_qs);
        dlg.setRoot(TRootID::idDrives);
        const QStringList picks{{}, u"/srv/a"_qs, u"/srv/b"_qs, {}};
        QString kept;
        for (const QString& pick : picks) {
            pick.isEmpty() ? dialogs.answerCancel() : dialogs.answerDirectory(pick);
            QCOMPARE(dlg.Execute(), !pick.isEmpty());
            kept = pick.isEmpty() ? kept : pick;
            QCOMPARE(dlg.Directory(), kept);
        }
        QCOMPARE(dialogs.asked.size(), 4);
        const DirectoryRequest& asked = dialogs.asked.constFirst().directory;
        QCOMPARE(asked.title, u"Pick output destination"_qs);
        QCOMPARE(asked.rootDirectory, QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(TestBrowseDirectoryDlg)
#include "tst_browsedirectorydlg.moc"
