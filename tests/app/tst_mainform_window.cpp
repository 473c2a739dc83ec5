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
    return form.findChild<QStatusBar*>(QStringLiteral("StatusLine"))->currentMessage();
}

void hover(QWidget* widget) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(widget, &enter);
}

void leave(QWidget* widget) {
    QEvent leaving(QEvent::Leave);
    QApplication::sendEvent(widget, &leaving);
}

}  // namespace

class TestMainFormWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuItemsCarryCaptionsAndHints_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("hints");
        QTest::newRow("File")
            << u"&File"_qs
            << QStringList{u"&New"_qs,   u"&Open..."_qs,        u"&Save"_qs, u"Save &As..."_qs, {},
                           u"&Print"_qs, u"P&rint Setup..."_qs, {},          u"E&xit"_qs}
            << QStringList{u"Create a new file"_qs,
                           u"Open an existing file"_qs,
                           u"Save current file"_qs,
                           u"Save current file under a new name"_qs,
                           {},
                           u"Print current file"_qs,
                           u"Change printer setup"_qs,
                           {},
                           u"Exit this application"_qs};
        QTest::newRow("Edit") << u"&Edit"_qs
                              << QStringList{u"&Undo"_qs, {}, u"Cu&t"_qs, u"&Copy"_qs, u"&Paste"_qs}
                              << QStringList{u"Undo the last action"_qs,
                                             {},
                                             u"Delete selected item"_qs,
                                             u"Copy selected item to clipboard"_qs,
                                             u"Paste contents of clipboard"_qs};
        QTest::newRow("Help") << u"&Help"_qs << QStringList{u"&About..."_qs}
                              << QStringList{u"Show program information"_qs};
    }
    void menuItemsCarryCaptionsAndHints() {
        QFETCH(QString, menu);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, hints);
        MainFormHarness h;
        QMenu* found = nullptr;
        for (QAction* top : h.form().menuBar()->actions()) {
            if (top->text() == menu) {
                found = top->menu();
            }
        }
        QVERIFY(found != nullptr);
        QStringList seenCaptions;
        QStringList seenHints;
        for (QAction* item : found->actions()) {
            seenCaptions << item->text();
            seenHints << item->statusTip();
            QVERIFY(item->shortcut().isEmpty());
        }
        QCOMPARE(seenCaptions, captions);
        QCOMPARE(seenHints, hints);
    }

    void menuBarOrderAndPressRunHasNoSubmenu() {
        MainFormHarness h;
        QStringList tops;
        for (QAction* top : h.form().menuBar()->actions()) {
            tops << top->text();
        }
        QCOMPARE(tops, (QStringList{u"&File"_qs, u"&Edit"_qs, u"&Press Run"_qs, u"&Help"_qs}));
        QAction* press = h.form().menuBar()->actions().at(2);
        QVERIFY(press->menu() == nullptr);
        QVERIFY(press->statusTip().isEmpty());
    }

    void speedBarButtons_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<QString>("hint");
        QTest::newRow("1") << u"SpeedButton1"_qs << 8 << u"New"_qs;
        QTest::newRow("2") << u"SpeedButton2"_qs << 32 << u"Open"_qs;
        QTest::newRow("3") << u"SpeedButton3"_qs << 56 << u"Save"_qs;
        QTest::newRow("4") << u"SpeedButton4"_qs << 84 << u"Cut"_qs;
        QTest::newRow("5") << u"SpeedButton5"_qs << 108 << u"Copy"_qs;
        QTest::newRow("6") << u"SpeedButton6"_qs << 132 << u"Paste"_qs;
        QTest::newRow("7") << u"SpeedButton7"_qs << 160 << u"Open press section"_qs;
        QTest::newRow("about") << u"AboutButton"_qs << 192 << u"About Sealmill"_qs;
    }
    void speedBarButtons() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(QString, hint);
        MainFormHarness h;
        auto* button = h.form().findChild<QToolButton*>(name);
        QVERIFY(button != nullptr);
        QCOMPARE(button->geometry(), QRect(left, 4, 25, 25));
        QCOMPARE(button->toolTip(), hint);
        QCOMPARE(button->statusTip(), hint);
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(!button->icon().isNull());
    }

    void windowStartsAsSpecified() {
        MainFormHarness h;
        QCOMPARE(h.form().size(), QSize(656, 436));
        QCOMPARE(h.editor().lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!h.editor().tabChangesFocus());
        h.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.form()));
        QCOMPARE(h.form().focusWidget(), &h.editor());
        QVERIFY(statusText(h.form()).isEmpty());
        QTest::keyClick(&h.editor(), Qt::Key_Tab);
        QCOMPARE(h.editor().toPlainText(), u"\t"_qs);
    }

    void pressRunGate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opens");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("lower case") << u"copy @serial@"_qs << false;
        QTest::newRow("split across lines") << u"copy @SERI\nAL@"_qs << false;
        QTest::newRow("middle of a line") << u"No. @SERIAL@ of 100"_qs << true;
        QTest::newRow("last of many lines")
            << QString(u"line\n"_qs.repeated(300) + u"end @SERIAL@"_qs) << true;
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
                h.form().menuBar()->actions().at(2)->trigger();
            } else {
                h.form().findChild<QToolButton*>(QStringLiteral("SpeedButton7"))->click();
            }
            QCOMPARE(h.windows.PressRun().isVisible(), opens);
            QCOMPARE(h.form().isVisible(), !opens);
            if (!opens) {
                QCOMPARE(h.dialogs.asked.size(), 1);
                const auto& box = h.dialogs.asked.constFirst().message;
                QCOMPARE(box.kind, MessageKind::Error);
                QCOMPARE(box.text, u"Text area MUST contain the @SERIAL@ variable"_qs);
                QCOMPARE(box.buttons, MessageButtons(MessageButton::Ok));
                QCOMPARE(h.form().focusWidget(), &h.editor());
            }
            QCOMPARE(h.dialogs.unexpected, 0);
        }
    }

    void showingAgainFocusesTheEditor() {
        MainFormHarness h;
        auto* other = new QLineEdit(h.form().centralWidget());
        h.form().show();
        other->setFocus();
        h.form().hide();
        h.form().show();
        QCOMPARE(h.form().focusWidget(), &h.editor());
    }

    void hintsReachTheStatusLine() {
        MainFormHarness h;
        h.form().show();
        auto* save = h.form().findChild<QToolButton*>(QStringLiteral("SpeedButton3"));
        hover(save);
        QCOMPARE(statusText(h.form()), u"Save"_qs);
        leave(save);
        QVERIFY(statusText(h.form()).isEmpty());

        auto* fileMenu = h.form().menuBar()->actions().at(0)->menu();
        fileMenu->popup(h.form().mapToGlobal(QPoint(0, 20)));
        fileMenu->setActiveAction(fileMenu->actions().at(1));
        QCOMPARE(statusText(h.form()), u"Open an existing file"_qs);
        fileMenu->hide();

        // Another window of the program: its hints show here too.
        QWidget elsewhere;
        auto* field = new QLineEdit(&elsewhere);
        field->setStatusTip(QStringLiteral("Serial number of the first copy"));
        elsewhere.show();
        hover(field);
        QCOMPARE(statusText(h.form()), u"Serial number of the first copy"_qs);
        leave(field);
        QVERIFY(statusText(h.form()).isEmpty());
    }

    // Tool buttons never take the focus, so the edit commands act on the editor.
    void editCommandsActOnTheEditorFromToolButtons() {
        MainFormHarness h;
        h.form().show();
        const auto button = [&](const char* name) {
            return h.form().findChild<QToolButton*>(QString::fromLatin1(name));
        };
        h.type(u"alpha beta"_qs);
        QTextCursor cursor = h.editor().textCursor();
        cursor.setPosition(0);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        h.editor().setTextCursor(cursor);
        QTest::mouseClick(button("SpeedButton4"), Qt::LeftButton);  // cut "alpha "
        QCOMPARE(h.editor().toPlainText(), u"beta"_qs);
        QCOMPARE(QApplication::clipboard()->text(), u"alpha "_qs);
        h.editor().moveCursor(QTextCursor::End);
        QTest::mouseClick(button("SpeedButton6"), Qt::LeftButton);  // paste
        QCOMPARE(h.editor().toPlainText(), u"betaalpha "_qs);
        h.editor().selectAll();
        QTest::mouseClick(button("SpeedButton5"), Qt::LeftButton);  // copy
        QCOMPARE(QApplication::clipboard()->text(), u"betaalpha "_qs);
        QCOMPARE(h.form().focusWidget(), &h.editor());
        QVERIFY(h.document().isModified());
    }
};

QTEST_MAIN(TestMainFormWindow)
#include "tst_mainform_window.moc"
