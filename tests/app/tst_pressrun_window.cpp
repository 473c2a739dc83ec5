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

const QString kBox = QStringLiteral("This field requires a positive nonzero integer value!");

QString sum(int count) {
    return QStringLiteral("Number to press: %1").arg(count);
}

// Plays a script of key strokes on a field: "<sel>", "<end>", "<home>",
// "<bs>", "<up>", "<down>" (keys), "<upbtn>", "<downbtn>" (arrow clicks),
// "<paste>text" (clipboard and Ctrl+V), "<char>c" (a key with any
// character); anything else is typed.
void play(TPressRun& window, QLineEdit* field, SpinArrows* arrows, const QStringList& script) {
    field->setFocus();
    for (const QString& step : script) {
        if (step == u"<sel>") {
            field->selectAll();
        } else if (step == u"<end>") {
            QTest::keyClick(field, Qt::Key_End);
        } else if (step == u"<home>") {
            QTest::keyClick(field, Qt::Key_Home);
        } else if (step == u"<bs>") {
            QTest::keyClick(field, Qt::Key_Backspace);
        } else if (step == u"<up>") {
            QTest::keyClick(field, Qt::Key_Up);
        } else if (step == u"<down>") {
            QTest::keyClick(field, Qt::Key_Down);
        } else if (step == u"<upbtn>") {
            QTest::mouseClick(arrows->upButton(), Qt::LeftButton);
        } else if (step == u"<downbtn>") {
            QTest::mouseClick(arrows->downButton(), Qt::LeftButton);
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
    Q_UNUSED(window);
}

}  // namespace

class TestPressRunWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDialogs> dialogs_;
    std::unique_ptr<AppWindows> windows_;
    QTemporaryDir pgpDir_;

    TPressRun& press() { return windows_->PressRun(); }

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

    void defaults() {
        TPressRun& w = press();
        QCOMPARE(w.windowTitle(), QStringLiteral("Press Run"));
        QCOMPARE(w.size(), QSize(437, 374));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(w.windowFlags().testFlag(Qt::Tool));
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowSystemMenuHint));
        QCOMPARE(w.Tag(), 0);
        QCOMPARE(w.SerialFrom()->text(), QStringLiteral("5"));
        QCOMPARE(w.SerialTo()->text(), QStringLiteral("9"));
        QVERIFY(w.sumlabel()->text().isEmpty());
        QCOMPARE(w.RunName()->text(), QStringLiteral("Sealmilled-file-@SERIAL@.txt"));
        QCOMPARE(w.PGPid()->text(), QStringLiteral("tarvix"));
        QCOMPARE(w.PassPhrase()->text(), QStringLiteral("Morvenk4182"));
        QCOMPARE(w.PassPhrase()->echoMode(), QLineEdit::Password);
        QCOMPARE(w.PGPdir()->text(), pgpDir_.path() + QStringLiteral("/PGP.EXE"));
        QCOMPARE(w.RUNdir()->text(), QCoreApplication::applicationDirPath());
        QCOMPARE(w.ExitCodeNames().size(), 34);
        QCOMPARE(w.StatusBar()->currentMessage(),
                 QStringLiteral("Choose your settings and press the button..."));
        QCOMPARE(w.ProgressBar()->minimum(), 0);
        QCOMPARE(w.ProgressBar()->maximum(), 100);
        QCOMPARE(w.ProgressBar()->value(), 0);
        QVERIFY(!w.ProgressBar()->isTextVisible());
        QCOMPARE(w.CancelBtn()->text(), QStringLiteral("&Close"));
        QCOMPARE(w.Run()->text(), QStringLiteral("Run &Press!"));
        QCOMPARE(w.Run()->statusTip(), QStringLiteral("Let the pressing commence!"));
        QVERIFY(w.Run()->toolTip().isEmpty());
        QCOMPARE(QApplication::focusWidget(), w.PGPid());
        QCOMPARE(w.RUNdialog()->Title(), QStringLiteral("Pick output destination"));
        QCOMPARE(w.RUNdialog()->Root(), TRootID::idDrives);
        QCOMPARE(browseFlagWord(w.RUNdialog()->Options()), 0x1001U);
        QCOMPARE(w.UpDown1()->maximum(), 32767);
        QCOMPARE(w.UpDown2()->maximum(), 100);
    }

    void boundsAndTabOrder() {
        const QList<std::pair<const char*, QRect>> bounds{
            {"GroupBox3", {8, 0, 425, 65}},    {"SerialFrom", {8, 36, 57, 21}},
            {"UpDown1", {65, 36, 12, 21}},     {"SerialTo", {88, 36, 57, 21}},
            {"UpDown2", {145, 36, 12, 21}},    {"RunName", {184, 33, 193, 21}},
            {"sumlabel", {8, 100, 62, 13}},    {"PassPhrase", {224, 32, 193, 21}},
            {"PGPdir", {8, 16, 409, 13}},      {"SpeedButton2", {352, 36, 65, 16}},
            {"CancelBtn", {280, 320, 75, 25}}, {"Run", {360, 320, 75, 25}},
            {"ProgressBar", {0, 348, 437, 7}}, {"StatusBar", {0, 355, 437, 19}}};
        for (const auto& [name, rect] : bounds) {
            auto* child = press().findChild<QWidget*>(QLatin1StringView(name));
            QVERIFY2(child != nullptr, name);
            QCOMPARE(child->geometry(), rect);
        }
        const QList<QWidget*> order{press().Run(),        press().PGPid(),    press().PassPhrase(),
                                    press().SerialFrom(), press().SerialTo(), press().RunName(),
                                    press().CancelBtn()};
        press().Run()->setFocus();
        for (qsizetype i = 1; i <= order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order.at(i % order.size()));
        }
    }

    void serialRules_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QStringList>("script");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("sumText");
        QTest::addColumn<int>("boxes");

        QTest::newRow("to 2 pulls from down")
            << false << QStringList{u"<sel>"_s, u"2"_s} << u"2"_s << u"2"_s << sum(1) << 0;
        QTest::newRow("to 20") << false << QStringList{u"<sel>"_s, u"2"_s, u"0"_s} << u"2"_s
                               << u"20"_s << sum(19) << 0;
        QTest::newRow("from 1") << true << QStringList{u"<sel>"_s, u"1"_s} << u"1"_s << u"9"_s
                                << sum(9) << 0;
        QTest::newRow("from 12 pulls to up")
            << true << QStringList{u"<sel>"_s, u"1"_s, u"2"_s} << u"12"_s << u"12"_s << sum(1) << 0;
        QTest::newRow("from emptied")
            << true << QStringList{u"<end>"_s, u"<bs>"_s} << u"1"_s << u"9"_s << sum(9) << 1;
        QTest::newRow("to emptied")
            << false << QStringList{u"<end>"_s, u"<bs>"_s} << u"1"_s << u"1"_s << sum(1) << 1;
        QTest::newRow("from 0 typed")
            << true << QStringList{u"<sel>"_s, u"0"_s} << u"1"_s << u"9"_s << sum(9) << 0;
        QTest::newRow("leading zeros stay")
            << true << QStringList{u"<sel>"_s, u"7"_s, u"<home>"_s, u"000"_s} << u"0007"_s << u"9"_s
            << sum(3) << 0;
        QTest::newRow("leading zeros pulled along")
            << true << QStringList{u"<sel>"_s, u"<paste>0012"_s} << u"0012"_s << u"0012"_s << sum(1)
            << 0;
        QTest::newRow("pasted 12a")
            << true << QStringList{u"<sel>"_s, u"<paste>12a"_s} << u"1"_s << u"9"_s << sum(9) << 1;
        QTest::newRow("pasted -3")
            << true << QStringList{u"<sel>"_s, u"<paste>-3"_s} << u"1"_s << u"9"_s << sum(9) << 0;
        QTest::newRow("pasted out of range")
            << false << QStringList{u"<sel>"_s, u"<paste>2147483648"_s} << u"1"_s << u"1"_s
            << sum(1) << 1;
        QTest::newRow("filtered characters")
            << true
            << QStringList{u"<end>"_s, u" "_s, u"-"_s, u"+"_s, u"a"_s, u"$"_s, u"<char>\u00e9"_s}
            << u"5"_s << u"9"_s << QString() << 0;
        QTest::newRow("down arrow at 1") << true << QStringList{u"<sel>"_s, u"1"_s, u"<downbtn>"_s}
                                         << u"1"_s << u"9"_s << sum(9) << 0;
        QTest::newRow("down key at 1") << true << QStringList{u"<sel>"_s, u"1"_s, u"<down>"_s}
                                       << u"1"_s << u"9"_s << sum(9) << 0;
        QTest::newRow("up key steps from the current number")
            << true << QStringList{u"<sel>"_s, u"<paste>0999"_s, u"<up>"_s} << u"1000"_s
            << u"1000"_s << sum(1) << 0;
        QTest::newRow("from arrows stop at 32767")
            << true << QStringList{u"<sel>"_s, u"32766"_s, u"<upbtn>"_s, u"<upbtn>"_s, u"<up>"_s}
            << u"32767"_s << u"32767"_s << sum(1) << 0;
        QTest::newRow("to arrows stop at 100")
            << false << QStringList{u"<sel>"_s, u"99"_s, u"<upbtn>"_s, u"<upbtn>"_s, u"<up>"_s}
            << u"5"_s << u"100"_s << sum(96) << 0;
        QTest::newRow("to above range steps back in")
            << false << QStringList{u"<sel>"_s, u"500"_s, u"<downbtn>"_s} << u"5"_s << u"99"_s
            << sum(95) << 0;
        QTest::newRow("to down arrow pulls from")
            << false << QStringList{u"<sel>"_s, u"5"_s, u"<downbtn>"_s} << u"4"_s << u"4"_s
            << sum(1) << 0;
    }
    void serialRules() {
        QFETCH(bool, onFrom);
        QFETCH(QStringList, script);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, sumText);
        QFETCH(int, boxes);
        for (int i = 0; i < boxes; ++i) {
            dialogs_->answerMessage(MessageButton::Ok);
        }
        TPressRun& w = press();
        play(w, onFrom ? w.SerialFrom() : w.SerialTo(), onFrom ? w.UpDown1() : w.UpDown2(), script);
        QCOMPARE(w.SerialFrom()->text(), from);
        QCOMPARE(w.SerialTo()->text(), to);
        QCOMPARE(w.sumlabel()->text(), sumText);
        QCOMPARE(dialogs_->messageTexts(), QStringList(boxes, kBox));
        QCOMPARE(dialogs_->unexpected, 0);
        for (const auto& q : std::as_const(dialogs_->asked)) {
            QCOMPARE(q.message.kind, MessageKind::Error);
            QCOMPARE(q.message.buttons, MessageButtons(MessageButton::Ok));
        }
    }

    void escapeClosesAndReopeningKeepsSettings() {
        TPressRun& w = press();
        play(w, w.SerialTo(), w.UpDown2(), {u"<sel>"_s, u"12"_s});
        w.RunName()->setText(QStringLiteral("x-@SERIAL@"));
        QTest::keyClick(w.SerialTo(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Tag(), -1);
        QVERIFY(windows_->MainForm().isVisible());

        w.setTag(0);
        w.show();
        QCOMPARE(w.SerialTo()->text(), QStringLiteral("12"));
        QCOMPARE(w.RunName()->text(), QStringLiteral("x-@SERIAL@"));
        QCOMPARE(w.SerialFrom()->text(), QStringLiteral("1"));
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
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("SpeedButton2")),
                          Qt::LeftButton);
        QCOMPARE(w.PGPdir()->text(), signer);
        QCOMPARE(w.RUNdir()->text(), output);

        dialogs_->answerFile(QStringLiteral("/usr/bin/pgp"));
        dialogs_->answerDirectory(QStringLiteral("/srv/out"));
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("SpeedButton1")),
                          Qt::LeftButton);
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("SpeedButton2")),
                          Qt::LeftButton);
        QCOMPARE(w.PGPdir()->text(), QStringLiteral("/usr/bin/pgp"));
        QCOMPARE(w.RUNdir()->text(), QStringLiteral("/srv/out"));

        const FileDialogRequest& file = dialogs_->asked.at(0).file;
        QCOMPARE(file.title, QStringLiteral("Path to PGP.EXE"));
        QCOMPARE(file.fileName, signer);
        QVERIFY(file.mustExist);
        QVERIFY(!file.showReadOnlyBox);
        QCOMPARE(file.filters.size(), 1);
        QVERIFY(file.filters.constFirst().startsWith(u"PGP program file (PGP.EXE"));
        const DirectoryRequest& directory = dialogs_->asked.at(1).directory;
        QCOMPARE(directory.title, QStringLiteral("Pick output destination"));
        QCOMPARE(directory.rootDirectory, QDir::toNativeSeparators(QDir::rootPath()));
        QCOMPARE(dialogs_->unexpected, 0);
    }

    // Not a check: a picture of the window for a human eye.
    void renders() {
        const QString target = qEnvironmentVariable("SEALMILL_PRESSRUN_PNG");
        if (target.isEmpty()) {
            QSKIP("set SEALMILL_PRESSRUN_PNG to write a picture");
        }
        QVERIFY(press().grab().save(target));
    }
};

QTEST_MAIN(TestPressRunWindow)
#include "tst_pressrun_window.moc"
