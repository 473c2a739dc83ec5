#include "browsedirectorydlg.h"
#include "commandguard.h"
#include "fakedialogs.h"
#include "qtdialogs.h"
#include "sealmillerror.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class TestCommandGuard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failureBecomesTheDefaultFailureBox() {
        QtDialogs dialogs;
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr && box->buttons().size() == 1);
            seen = u"%1|%2|%3"_qs.arg(box->windowTitle(), box->text()).arg(box->icon());
            box->button(QMessageBox::Ok)->click();
        });
        runCommand(dialogs, nullptr,
                   [] { throw sealmill::SealmillError(u"Stream write error"_qs); });
        QCOMPARE(seen, u"Sealmill|Stream write error.|%1"_qs.arg(QMessageBox::Critical));
    }

    // Enter presses OK also after Show Details... was clicked.
    void detailsLeaveOkTheDefault() {
        QtDialogs dialogs;
        bool closedByEnter = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            for (auto* button : box->findChildren<QPushButton*>()) {
                if (box->buttonRole(button) == QMessageBox::ActionRole) {
                    QTest::mouseClick(button, Qt::LeftButton);
                    QTest::keyClick(button, Qt::Key_Return);
                }
            }
            closedByEnter = !box->isVisible();
            box->done(0);
        });
        dialogs.message(nullptr, {MessageKind::Error, u"Error 11 occured"_qs, MessageButton::Ok,
                                  u"The signer said: no key"_qs});
        QVERIFY(closedByEnter);
    }

    // A cancelled directory pick keeps the last Directory.
    void directoryBrowser() {
        FakeDialogs fake;
        TBrowseDirectoryDlg dlg(fake, nullptr);
        fake.answerDirectory(u"/srv/a"_qs);
        fake.answerCancel();
        QVERIFY(dlg.Execute() && !dlg.Execute());
        QCOMPARE(dlg.Directory(), u"/srv/a"_qs);
        QCOMPARE(browseFlagWord({}), 0U);
        QCOMPARE(browseFlagWord(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfComputers),
                 0x1001U);
        QCOMPARE(browseFlagWord(TBrowseFlag::bfDirectoriesOnly | TBrowseFlag::bfDomainOnly |
                                TBrowseFlag::bfAncestors | TBrowseFlag::bfComputers |
                                TBrowseFlag::bfPrinters),
                 0x300BU);
    }
};

QTEST_MAIN(TestCommandGuard)
#include "tst_commandguard.moc"
