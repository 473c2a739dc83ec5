#include "browsedirectorydlg.h"
#include "fakedialogs.h"

#include <QDir>
#include <QTest>
#include <QWidget>

class TestBrowseDirectoryDlg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void specialFolderNumbers() {
        const int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19, 20, 21};
        for (int ordinal = 0; ordinal < 18; ++ordinal) {
            QCOMPARE(specialFolderNumber(TRootID(ordinal)), expected[ordinal]);
        }
    }

    void flagWords() {
        QCOMPARE(browseFlagWord({}), 0U);
        QCOMPARE(browseFlagWord(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfComputers),
                 0x1001U);
        QCOMPARE(browseFlagWord(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfDomainOnly |
                                TBrowseFlag::bfAncestors | TBrowseFlag::bfComputers |
                                TBrowseFlag::bfPrinters),
                 0x300BU);
    }

    void everyRootIsAnExistingDirectory() {
        for (int ordinal = 0; ordinal < 18; ++ordinal) {
            const QString path = rootDirectory(TRootID(ordinal));
            QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
        }
        QCOMPARE(rootDirectory(TRootID::idDrives), QDir::toNativeSeparators(QDir::rootPath()));
    }

    void freshComponent() {
        FakeDialogs dialogs;
        const TBrowseDirectoryDlg dlg(dialogs, nullptr);
        QVERIFY(dlg.Title().isEmpty());
        QCOMPARE(dlg.Root(), TRootID::idDesktopExpanded);
        QCOMPARE(browseFlagWord(dlg.Options()), 0U);
        QVERIFY(dlg.Directory().isEmpty());
    }

    void executeKeepsTheLastPick() {
        FakeDialogs dialogs;
        QWidget owner;
        TBrowseDirectoryDlg dlg(dialogs, &owner);
        dlg.setTitle(QStringLiteral("Pick output destination"));
        dlg.setRoot(TRootID::idDrives);

        dialogs.answerCancel();
        QVERIFY(!dlg.Execute());
        QVERIFY(dlg.Directory().isEmpty());

        dialogs.answerDirectory(QStringLiteral("/srv/a"));
        QVERIFY(dlg.Execute());
        QCOMPARE(dlg.Directory(), QStringLiteral("/srv/a"));

        dialogs.answerDirectory(QStringLiteral("/srv/b"));
        QVERIFY(dlg.Execute());
        QCOMPARE(dlg.Directory(), QStringLiteral("/srv/b"));

        dialogs.answerCancel();
        QVERIFY(!dlg.Execute());
        QCOMPARE(dlg.Directory(), QStringLiteral("/srv/b"));

        QCOMPARE(dialogs.asked.size(), 4);
        const DirectoryRequest& asked = dialogs.asked.constFirst().directory;
        QCOMPARE(asked.title, QStringLiteral("Pick output destination"));
        QCOMPARE(asked.rootDirectory, QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(dialogs.unexpected, 0);
    }
};

QTEST_MAIN(TestBrowseDirectoryDlg)
#include "tst_browsedirectorydlg.moc"
