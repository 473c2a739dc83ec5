#include "appwindows.h"
#include "browsedirectorydlg.h"
#include "fakedialogs.h"
#include "mainform.h"
#include "pressrun.h"
#include "spinarrows.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString sum(int count) {
    return u"Number to press: %1"_s.arg(count);
}

// Plays a '|'-separated script on a field: "<sel>", a key ("<end>", "<home>",
// "<bs>", "<up>", "<down>"), an arrow click ("<upbtn>", "<downbtn>"),
// "<paste>text" (clipboard and Ctrl+V), "<char>c" (a key carrying any
// character); anything else is typed.
void play(QLineEdit* field, SpinArrows* arrows, const QString& script) {
    static const QHash<QString, Qt::Key> keys{{u"<end>"_s, Qt::Key_End},
                                              {u"<home>"_s, Qt::Key_Home},
                                              {u"<bs>"_s, Qt::Key_Backspace},
                                              {u"<up>"_s, Qt::Key_Up},
                                              {u"<down>"_s, Qt::Key_Down}};
    field->setFocus();
    for (const QString& step : script.split(u'|')) {
        if (step == u"<sel>") {
            field->selectAll();
        } else if (keys.contains(step)) {
            QTest::keyClick(field, keys.value(step));
        } else if (step == u"<upbtn>" || step == u"<downbtn>") {
            QTest::mouseClick(step == u"<upbtn>" ? arrows->upButton() : arrows->downButton(),
                              Qt::LeftButton);
        } else if (step.startsWith(u"<char>")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, step.mid(6));
            QApplication::sendEvent(field, &press);
        } else if (step.startsWith(u"<paste>")) {
            QGuiApplication::clipboard()->setText(step.mid(7));
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        } else {
            QTest::keyClicks(field, step);
        }
    }
}

}  // namespace

class TestPressRunWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<AppWindows> windows_;
    QTemporaryDir pgpDir_;

    TPressRun& press() { return windows_->PressRun(); }
    void click(const QString& button) {
        QTest::mouseClick(press().findChild<QToolButton*>(button), Qt::LeftButton);
    }

private Q_SLOTS:
    void init() {
        qputenv("PGPPATH", pgpDir_.path().toLocal8Bit());
        dialogs_ = std::make_unique<FakeDialogs>();
        windows_ = std::make_unique<AppWindows>(*dialogs_);
        press().show();
        QVERIFY(QTest::qWaitForWindowExposed(&press()));
    }
    void cleanup() {
        windows_.reset();
        dialogs_.reset();
        qunsetenv("PGPPATH");
    }

    // What the window works out for itself when it opens.
    void defaultsAndTabOrder() {
        TPressRun& w = press();
        QCOMPARE(w.Tag(), 0);
        QVERIFY(w.sumlabel()->text().isEmpty());
        QCOMPARE(w.PassPhrase()->echoMode(), QLineEdit::Password);
        QCOMPARE(w.PGPdir()->text(), pgpDir_.path() + u"/PGP.EXE"_s);
        QCOMPARE(w.RUNdir()->text(), QCoreApplication::applicationDirPath());
        QCOMPARE(w.StatusBar()->currentMessage(),
                 u"Choose your settings and press the button..."_s);
        QCOMPARE(w.ProgressBar()->value(), 0);
        QCOMPARE(QApplication::focusWidget(), w.PGPid());

        const QList<QWidget*> order{w.Run(),      w.PGPid(),   w.PassPhrase(), w.SerialFrom(),
                                    w.SerialTo(), w.RunName(), w.CancelBtn()};
        w.Run()->setFocus();
        for (qsizetype i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order.at(i % order.size()));
        }
    }

    // Starting from 5 to 9: typing, pasting, keys and arrows on either field.
    void serialRules_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("sumText");
        QTest::addColumn<int>("boxes");
        const auto row = [](const char* name, bool onFrom, const QString& script,
                            const QString& from, const QString& to, int count, int boxes = 0) {
            QTest::newRow(name) << onFrom << script << from << to
                                << (count < 0 ? QString() : sum(count)) << boxes;
        };
        row("to 2 pulls from down", false, u"<sel>|2"_s, u"2"_s, u"2"_s, 1);
        row("to 20", false, u"<sel>|2|0"_s, u"2"_s, u"20"_s, 19);
        row("from 1", true, u"<sel>|1"_s, u"1"_s, u"9"_s, 9);
        row("from 12 pulls to up", true, u"<sel>|1|2"_s, u"12"_s, u"12"_s, 1);
        row("from emptied", true, u"<end>|<bs>"_s, u"1"_s, u"9"_s, 9, 1);
        row("to emptied", false, u"<end>|<bs>"_s, u"1"_s, u"1"_s, 1, 1);
        row("from 0 typed", true, u"<sel>|0"_s, u"1"_s, u"9"_s, 9);
        row("leading zeros stay", true, u"<sel>|7|<home>|000"_s, u"0007"_s, u"9"_s, 3);
        row("leading zeros pulled along", true, u"<sel>|<paste>0012"_s, u"0012"_s, u"0012"_s, 1);
        row("pasted 12a", true, u"<sel>|<paste>12a"_s, u"1"_s, u"9"_s, 9, 1);
        row("pasted -3", true, u"<sel>|<paste>-3"_s, u"1"_s, u"9"_s, 9);
        row("pasted out of range", false, u"<sel>|<paste>2147483648"_s, u"1"_s, u"1"_s, 1, 1);
        row("filtered characters", true, u"<end>| |-|+|a|$|<char>\u00e9"_s, u"5"_s, u"9"_s, -1);
        row("down arrow at 1", true, u"<sel>|1|<downbtn>"_s, u"1"_s, u"9"_s, 9);
        row("down key at 1", true, u"<sel>|1|<down>"_s, u"1"_s, u"9"_s, 9);
        row("up key steps from the current number", true, u"<sel>|<paste>0999|<up>"_s, u"1000"_s,
            u"1000"_s, 1);
        row("from arrows stop at 32767", true, u"<sel>|32766|<upbtn>|<upbtn>|<up>"_s, u"32767"_s,
            u"32767"_s, 1);
        row("to arrows stop at 100", false, u"<sel>|99|<upbtn>|<upbtn>|<up>"_s, u"5"_s, u"100"_s,
            96);
        row("to above range steps back in", false, u"<sel>|500|<downbtn>"_s, u"5"_s, u"99"_s, 95);
        row("to down arrow pulls from", false, u"<sel>|5|<downbtn>"_s, u"4"_s, u"4"_s, 1);
    }
    void serialRules() {
        QFETCH(bool, onFrom);
        QFETCH(QString, script);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, sumText);
        QFETCH(int, boxes);
        for (int i = 0; i < boxes; ++i) {
            dialogs_->answerMessage(MessageButton::Ok);
        }
        TPressRun& w = press();
        play(onFrom ? w.SerialFrom() : w.SerialTo(), onFrom ? w.UpDown1() : w.UpDown2(), script);
        QCOMPARE(w.SerialFrom()->text(), from);
        QCOMPARE(w.SerialTo()->text(), to);
        QCOMPARE(w.sumlabel()->text(), sumText);
        QCOMPARE(dialogs_->messageTexts(),
                 QStringList(boxes, u"This field requires a positive nonzero integer value!"_s));
        QCOMPARE(dialogs_->unexpected, 0);
        for (const auto& q : std::as_const(dialogs_->asked)) {
            QCOMPARE(q.message.kind, MessageKind::Error);
            QCOMPARE(q.message.buttons, MessageButtons(MessageButton::Ok));
        }
    }

    void escapeClosesAndReopeningKeepsSettings() {
        TPressRun& w = press();
        play(w.SerialTo(), w.UpDown2(), u"<sel>|12"_s);
        w.RunName()->setText(u"x-@SERIAL@"_s);
        QTest::keyClick(w.SerialTo(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Tag(), -1);
        QVERIFY(windows_->MainForm().isVisible());

        w.setTag(0);
        w.show();
        QCOMPARE(w.SerialTo()->text(), u"12"_s);
        QCOMPARE(w.RunName()->text(), u"x-@SERIAL@"_s);
        QCOMPARE(w.SerialFrom()->text(), u"1"_s);
        QCOMPARE(w.sumlabel()->text(), sum(12));
        QTest::mouseClick(w.CancelBtn(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Tag(), -1);

        w.show();
        QVERIFY(!w.close());  // a close from outside is the Close button too
        QVERIFY(!w.isVisible());
    }

    void browseButtons() {
        TPressRun& w = press();
        const QString signer = w.PGPdir()->text();
        const QString output = w.RUNdir()->text();
        dialogs_->answerCancel();
        dialogs_->answerCancel();
        click(u"SpeedButton1"_s);
        click(u"SpeedButton2"_s);
        QCOMPARE(w.PGPdir()->text(), signer);
        QCOMPARE(w.RUNdir()->text(), output);

        dialogs_->answerFile(u"/usr/bin/pgp"_s);
        dialogs_->answerDirectory(u"/srv/out"_s);
        click(u"SpeedButton1"_s);
        click(u"SpeedButton2"_s);
        QCOMPARE(w.PGPdir()->text(), u"/usr/bin/pgp"_s);
        QCOMPARE(w.RUNdir()->text(), u"/srv/out"_s);

        const FileDialogRequest& file = dialogs_->asked.at(0).file;
        QCOMPARE(file.title, u"Path to PGP.EXE"_s);
        QCOMPARE(file.fileName, signer);
        QVERIFY(file.mustExist);
        QVERIFY(!file.showReadOnlyBox);
        QCOMPARE(file.filters.size(), 1);
        QVERIFY(file.filters.constFirst().startsWith(u"PGP program file (PGP.EXE"));
        const DirectoryRequest& directory = dialogs_->asked.at(1).directory;
        QCOMPARE(directory.title, u"Pick output destination"_s);
        QCOMPARE(directory.rootDirectory, QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(dialogs_->unexpected, 0);
    }
};

QTEST_MAIN(TestPressRunWindow)
#include "tst_pressrun_window.moc"
