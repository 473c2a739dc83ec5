#include "mainformharness.h"
#include "pressrun.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolButton>

class TestMainFormWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressRunGate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opens");
        QTest::newRow("lower case") << u"copy @serial@"_qs << false;
        QTest::newRow("split over lines") << u"@SER\nIAL@"_qs << false;
        QTest::newRow("on the last line") << u"a\nNo. @SERIAL@ of 100"_qs << true;
    }
    void pressRunGate() {
        QFETCH(QString, text);
        QFETCH(bool, opens);
        for (const bool viaMenu : {true, false}) {
            MainFormHarness h;
            h.form().show();
            h.editor().insertPlainText(text);
            h.dialogs.answerMessage(MessageButton::Ok);
            viaMenu ? h.form().menuBar()->actions().at(2)->trigger()
                    : h.form().findChild<QToolButton*>(u"SpeedButton7"_qs)->click();
            QCOMPARE(h.windows.PressRun().isVisible() && !h.form().isVisible(), opens);
            QCOMPARE(h.dialogs.messageTexts().join(u'|'),
                     opens ? QString() : u"Text area MUST contain the @SERIAL@ variable"_qs);
        }
    }

    // The program's windows bring its icon along: nothing else asks for it.
    void iconIsBuiltIn() {
        MainFormHarness h;
        QVERIFY(!h.form().windowIcon().pixmap(32).isNull());
    }

    // Hints of tool buttons and of the program's other windows show here.
    void hintsReachTheStatusLine() {
        MainFormHarness h;
        const auto* status = h.form().findChild<QStatusBar*>(u"StatusLine"_qs);
        const auto hover = [](QWidget* widget, bool enter) {
            QEnterEvent entering(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QEvent leaving(QEvent::Leave);
            QApplication::sendEvent(widget, enter ? static_cast<QEvent*>(&entering) : &leaving);
        };
        hover(h.form().findChild<QToolButton*>(u"SpeedButton3"_qs), true);
        QCOMPARE(status->currentMessage(), u"Save"_qs);
        QLineEdit elsewhere;
        elsewhere.setStatusTip(u"Serial number of the first copy"_qs);
        elsewhere.show();
        hover(&elsewhere, true);
        QCOMPARE(status->currentMessage(), u"Serial number of the first copy"_qs);
        hover(&elsewhere, false);
        QVERIFY(status->currentMessage().isEmpty());
    }
};

QTEST_MAIN(TestMainFormWindow)
#include "tst_mainform_window.moc"
