#include "mainformharness.h"
#include "pressrun.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

namespace {

QString statusText(TMainForm& form) {
    return form.findChild<QStatusBar*>(u"StatusLine"_qs)->currentMessage();
}

void hover(QWidget* widget, bool enter = true) {
    QEnterEvent entering(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QEvent leaving(QEvent::Leave);
    QApplication::sendEvent(widget, enter ? static_cast<QEvent*>(&entering) : &leaving);
}

QToolButton* button(TMainForm& form, const QString& name) {
    return form.findChild<QToolButton*>(name);
}

}  // namespace

class TestMainFormWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsReadyToType() {
        MainFormHarness h;
        h.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
        QCOMPARE(h.form().focusWidget(), &h.editor());
        QVERIFY(statusText(h.form()).isEmpty());
        QTest::keyClick(&h.editor(), Qt::Key_Tab);
        QCOMPARE(h.editor().toPlainText(), u"\t"_qs);
        for (QToolButton* b : h.form().findChildren<QToolButton*>()) {
            QVERIFY2(!b->icon().isNull(), qPrintable(b->objectName()));
        }

        // Showing the window again gives the editor the focus back.
        auto* other = new QLineEdit(h.form().centralWidget());
        other->setFocus();
        h.form().hide();
        h.form().show();
        QCOMPARE(h.form().focusWidget(), &h.editor());
    }

    // The menu item and the tool button share the gate; the placeholder
    // rules themselves are the line model's.
    void pressRunGate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opens");
        QTest::newRow("no placeholder") << u"copy @serial@"_qs << false;
        QTest::newRow("placeholder") << u"a\nNo. @SERIAL@ of 100"_qs << true;
    }
    void pressRunGate() {
        QFETCH(QString, text);
        QFETCH(bool, opens);
        for (const bool viaMenu : {true, false}) {
            MainFormHarness h;
            h.form().show();
            h.type(text);
            if (!opens) {
                h.dialogs.answerMessage(MessageButton::Ok);
            }
            if (viaMenu) {
                QAction* press = h.form().menuBar()->actions().at(2);
                QCOMPARE(press->text(), u"&Press Run"_qs);
                QVERIFY(press->menu() == nullptr);
                press->trigger();
            } else {
                button(h.form(), u"SpeedButton7"_qs)->click();
            }
            QCOMPARE(h.windows.PressRun().isVisible(), opens);
            QCOMPARE(h.form().isVisible(), !opens);
            QCOMPARE(h.dialogs.asked.size(), opens ? 0 : 1);
            if (!opens) {
                const auto& box = h.dialogs.asked.constFirst().message;
                QCOMPARE(box.kind, MessageKind::Error);
                QCOMPARE(box.text, u"Text area MUST contain the @SERIAL@ variable"_qs);
                QCOMPARE(box.buttons, MessageButtons(MessageButton::Ok));
                QCOMPARE(h.form().focusWidget(), &h.editor());
            }
            QCOMPARE(h.dialogs.unexpected, 0);
        }
    }

    void hintsReachTheStatusLine() {
        MainFormHarness h;
        h.form().show();
        QToolButton* save = button(h.form(), u"SpeedButton3"_qs);
        hover(save);
        QCOMPARE(statusText(h.form()), u"Save"_qs);
        hover(save, false);
        QVERIFY(statusText(h.form()).isEmpty());

        auto* fileMenu = h.form().menuBar()->actions().at(0)->menu();
        fileMenu->popup(h.form().mapToGlobal(QPoint(0, 20)));
        fileMenu->setActiveAction(fileMenu->actions().at(1));
        QCOMPARE(statusText(h.form()), u"Open an existing file"_qs);
        fileMenu->hide();

        // Another window of the program: its hints show here too.
        QWidget elsewhere;
        auto* field = new QLineEdit(&elsewhere);
        field->setStatusTip(u"Serial number of the first copy"_qs);
        elsewhere.show();
        hover(field);
        QCOMPARE(statusText(h.form()), u"Serial number of the first copy"_qs);
        hover(field, false);
        QVERIFY(statusText(h.form()).isEmpty());
    }

    // Tool buttons never take the focus, so the edit commands act on the editor.
    void editCommandsActOnTheEditorFromToolButtons() {
        MainFormHarness h;
        h.form().show();
        h.type(u"alpha beta"_qs);
        QTextCursor cursor = h.editor().textCursor();
        cursor.setPosition(0);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        h.editor().setTextCursor(cursor);
        QTest::mouseClick(button(h.form(), u"SpeedButton4"_qs), Qt::LeftButton);  // cut
        QCOMPARE(h.editor().toPlainText(), u"beta"_qs);
        QCOMPARE(QApplication::clipboard()->text(), u"alpha "_qs);
        h.editor().moveCursor(QTextCursor::End);
        QTest::mouseClick(button(h.form(), u"SpeedButton6"_qs), Qt::LeftButton);  // paste
        QCOMPARE(h.editor().toPlainText(), u"betaalpha "_qs);
        h.editor().selectAll();
        QTest::mouseClick(button(h.form(), u"SpeedButton5"_qs), Qt::LeftButton);  // copy
        QCOMPARE(QApplication::clipboard()->text(), u"betaalpha "_qs);
        QCOMPARE(h.form().focusWidget(), &h.editor());
        QVERIFY(h.document().isModified());
        h.form().EditUndo();
        QCOMPARE(h.editor().toPlainText(), u"beta"_qs);
    }
};

QTEST_MAIN(TestMainFormWindow)
#include "tst_mainform_window.moc"
