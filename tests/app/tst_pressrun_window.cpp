#include "appwindows.h"
#include "fakedialogs.h"
#include "mainform.h"
#include "pressrun.h"
#include "spinarrows.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestPressRunWindow : public QObject {
    Q_OBJECT

    FakeDialogs dialogs_;
    AppWindows windows_{dialogs_};
    TPressRun& w = windows_.PressRun();

private Q_SLOTS:
    void init() {
        w.SerialFrom()->setText(u"5"_s);
        w.SerialTo()->setText(u"9"_s);
        w.show();
        dialogs_.asked.clear();
    }

    // From 5-9, select one field, then '#' keys, '^' arrow clicks, '=' pastes, others typed.
    void serialRules_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("boxes");
        QTest::newRow("to 2 pulls from down") << false << u"2"_s << u"2-2"_s << 0;
        QTest::newRow("from 12 pulls to up") << true << u"12"_s << u"12-12"_s << 0;
        QTest::newRow("from 0 typed") << true << u"0"_s << u"1-9"_s << 0;
        QTest::newRow("from emptied") << true << u"#End|#Backspace"_s << u"1-9"_s << 1;
        QTest::newRow("filtered keys") << true << u"#End| -+a$"_s << u"5-9"_s << 0;
        QTest::newRow("letters with modifiers")
            << true << u"#End|#Alt+X|#Meta+Q|#Ctrl+Alt+K"_s << u"5-9"_s << 0;
        QTest::newRow("pasted 12a") << true << u"=12a"_s << u"1-9"_s << 1;
        QTest::newRow("pasted -3") << true << u"=-3"_s << u"1-9"_s << 0;
        QTest::newRow("down at 1") << true << u"1|^dn|#Down"_s << u"1-9"_s << 0;
        QTest::newRow("from ends at 32767")
            << true << u"32766|^up|^up|#Up"_s << u"32767-32767"_s << 0;
        QTest::newRow("to ends at 100") << false << u"99|^up|^up|#Up"_s << u"5-100"_s << 0;
        QTest::newRow("to down pulls from") << false << u"5|^dn"_s << u"4-4"_s << 0;
    }
    void serialRules() {
        QFETCH(bool, onFrom);
        QFETCH(QString, script);
        QFETCH(int, boxes);
        QLineEdit* field = onFrom ? w.SerialFrom() : w.SerialTo();
        SpinArrows* arrows = onFrom ? w.UpDown1() : w.UpDown2();
        field->setFocus();
        field->selectAll();
        for (const QString& step : script.split(u'|')) {
            if (step.startsWith(u'#')) {
                QTest::keySequence(field, QKeySequence(step.mid(1)));
            } else if (step.startsWith(u'^')) {
                QTest::mouseClick(step == u"^up" ? arrows->upButton() : arrows->downButton(),
                                  Qt::LeftButton);
            } else if (step.startsWith(u'=')) {
                QGuiApplication::clipboard()->setText(step.mid(1));
                QTest::keySequence(field, QKeySequence::Paste);
            } else {
                QTest::keyClicks(field, step);
            }
        }
        QTEST(w.SerialFrom()->text() + u'-' + w.SerialTo()->text(), "range");
        QCOMPARE(dialogs_.messageTexts(),
                 QStringList(boxes, u"This field requires a positive nonzero integer value!"_s));
    }

    // Escape, Close and minimising hide the window and keep its settings.
    void escapeAndCloseHideKeepingSettings() {
        w.RunName()->setText(u"x-@SERIAL@"_s);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.SerialTo()->setFocus();
        QTest::keyClick(w.SerialTo(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        w.show();
        QCOMPARE(w.RunName()->text(), u"x-@SERIAL@"_s);
        QTest::mouseClick(w.CancelBtn(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        // Minimised while idle: the main window comes back instead.
        w.show();
        windows_.MainForm().hide();
        w.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!w.isVisible() && windows_.MainForm().isVisible());
        w.show();
        QVERIFY(!w.isMinimized());
    }

    void browseCancelKeepsLabels() {
        const QString paths = w.PGPdir()->text() + w.RUNdir()->text();
        dialogs_.answerCancel();
        dialogs_.answerCancel();
        QTest::mouseClick(w.findChild<QToolButton*>(u"SpeedButton1"_s), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QToolButton*>(u"SpeedButton2"_s), Qt::LeftButton);
        QCOMPARE(w.PGPdir()->text() + w.RUNdir()->text(), paths);
    }
};

QTEST_MAIN(TestPressRunWindow)
#include "tst_pressrun_window.moc"
