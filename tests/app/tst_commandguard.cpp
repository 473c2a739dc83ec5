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
        FakeDialogs dialogs;
        dialogs.answerMessage(MessageButton::Ok);
        bool after = false;
        runCommand(dialogs, nullptr, [&] {
            throw sealmill::SealmillError(u"Cannot open file /x/y.txt"_qs);
            after = true;  // NOLINT: never reached
        });
        QVERIFY(!after);
        QCOMPARE(dialogs.asked.size(), 1);
        const auto& q = dialogs.asked.constFirst().message;
        QCOMPARE(q.kind, MessageKind::Failure);
        QCOMPARE(q.text, u"Cannot open file /x/y.txt."_qs);
        QCOMPARE(q.buttons, MessageButtons(MessageButton::Ok));
        QCOMPARE(messageCaption(q.kind), u"Sealmill"_qs);

        int runs = 0;
        runCommand(dialogs, nullptr, [&] { ++runs; });
        QCOMPARE(runs, 1);
        QCOMPARE(dialogs.asked.size(), 1);
    }

    void buttonRules() {
        const MessageButtons ync = MessageButton::Yes | MessageButton::No | MessageButton::Cancel;
        QCOMPARE(escapeAnswer(ync), MessageButton::Cancel);
        QCOMPARE(escapeAnswer(MessageButton::Yes | MessageButton::No), MessageButton::No);
        QCOMPARE(escapeAnswer(MessageButton::Ok), MessageButton::Ok);
        QCOMPARE(defaultAnswer(ync), MessageButton::Yes);
        QCOMPARE(defaultAnswer(MessageButton::Ok | MessageButton::Cancel), MessageButton::Ok);
        QCOMPARE(messageCaption(MessageKind::Confirmation), u"Confirm"_qs);
        QCOMPARE(messageCaption(MessageKind::Plain), u"Sealmill"_qs);
    }

    // The production side: a real QMessageBox, answered by pressing its button.
    void realFailureBoxShowsCaptionIconAndText() {
        QtDialogs dialogs;
        QString seenTitle;
        QString seenText;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            QCOMPARE(box->buttons().size(), 1);
            box->button(QMessageBox::Ok)->click();
        });
        runCommand(dialogs, nullptr,
                   [] { throw sealmill::SealmillError(u"Stream write error"_qs); });
        QCOMPARE(seenTitle, u"Sealmill"_qs);
        QCOMPARE(seenText, u"Stream write error."_qs);
        QCOMPARE(seenIcon, QMessageBox::Critical);
    }

    void realConfirmationAnswersEscapeWithCancel() {
        QtDialogs dialogs;
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box != nullptr);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const auto answer = dialogs.message(
            nullptr, {MessageKind::Confirmation,
                      u"Save changes to Untitled?"_qs,
                      MessageButton::Yes | MessageButton::No | MessageButton::Cancel,
                      {}});
        QCOMPARE(answer, MessageButton::Cancel);
    }
};

QTEST_MAIN(TestCommandGuard)
#include "tst_commandguard.moc"
