// A press run through the press run window: what the user sees, and that the
// document in the editor is never touched.
#include "appwindows.h"
#include "fakedialogs.h"
#include "mainform.h"
#include "pressrig.h"
#include "pressrun.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

const QString kTemplate = u"Offer @SERIAL@\nplain\nref @SERIAL@ @SERIAL@\n"_s;
const QString kDone = u"The Sealmill has run!"_s;

class TestPressRunEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Runs 5..9 with the stand-in signer. %1 in a message: the output directory.
    void run_data() {
        QTest::addColumn<QByteArray>("signer");  // FAKESIGNER_ settings
        QTest::addColumn<QString>("obstacle");   // a file already in the output directory
        QTest::addColumn<QString>("cancel");     // "", "once" or "twice", during the first number
        QTest::addColumn<int>("outputs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stays");  // the window stays open
        QTest::newRow("5..9, a second Run ignored")
            << QByteArray() << QString() << QString() << 5 << kDone << false;
        QTest::newRow("output 7 exists")
            << QByteArray() << u"Sealmilled-file-7.txt"_s << QString() << 2
            << u"%1/Sealmilled-file-7.txt already exists!\rOverwrite not supported"_s << true;
        QTest::newRow("signer exit 11 on 6")
            << QByteArray("FAIL_AT=2;EXIT=11;PRINT=gpg: no such key") << QString() << QString() << 1
            << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s << true;
        QTest::newRow("snapshot left behind")
            << QByteArray() << u"SealmillTemplate.tmp"_s << QString() << 0
            << u"Cannot create file %1/SealmillTemplate.tmp."_s << true;
        QTest::newRow("cancel once")
            << QByteArray("SLEEP_MS=400") << QString() << u"once"_s << 1 << QString() << false;
        QTest::newRow("cancel twice")
            << QByteArray("SLEEP_MS=60000") << QString() << u"twice"_s << 0 << QString() << true;
    }
    void run() {
        QFETCH(QByteArray, signer);
        QFETCH(QString, obstacle);
        QFETCH(QString, cancel);
        QFETCH(QString, message);
        QFETCH(bool, stays);
        QTemporaryDir temp(u"/tmp/sm-XXXXXX"_s);
        const QString dir = temp.filePath(QString(19, u'd'));  // 34 characters, the most taken
        QVERIFY(QDir().mkdir(dir) && dir.size() == 34);
        const FakeSignerSettings settings("COUNTER=" + QFile::encodeName(temp.filePath(u"n"_s)) +
                                          ';' + signer);
        if (!obstacle.isEmpty()) {
            QFile(dir + u'/' + obstacle).open(QIODevice::WriteOnly);
        }
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        TPressRun& press = windows.PressRun();
        QPlainTextEdit& editor = *windows.MainForm().editor();
        editor.setPlainText(u"Offer\nplain\nref @SERIAL@ @SERIAL@\n"_s);
        editor.moveCursor(QTextCursor::Start);
        editor.moveCursor(QTextCursor::EndOfWord);
        QTest::keyClicks(&editor, u" @SERIAL@"_s);  // an edit the user can undo
        QCOMPARE(editor.toPlainText(), kTemplate);
        windows.MainForm().PressRun1Click();
        press.PGPdir()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.builtinSignerBox()->setChecked(false);
        press.RUNdir()->setText(dir);
        QList<int> positions;
        bool mainShown = false;
        QObject::connect(press.ProgressBar(), &QProgressBar::valueChanged, [&](int value) {
            positions << value;
            mainShown = mainShown || windows.MainForm().isVisible();
        });

        QTest::mouseClick(press.Run(), Qt::LeftButton);
        if (press.isRunning()) {
            QTest::mouseClick(press.Run(), Qt::LeftButton);
        }
        if (!cancel.isEmpty()) {
            QTest::mouseClick(press.CancelBtn(), Qt::LeftButton);
            QVERIFY(press.StatusBar()->currentMessage().contains(u"Press Cancel again"_s));
            QVERIFY(press.isVisible());
        }
        if (cancel == u"twice") {
            press.close();  // the close box
        }
        QTRY_VERIFY_WITH_TIMEOUT(!press.isRunning(), 20000);

        QTEST(static_cast<int>(QDir(dir).entryList({u"Sealmilled-file-*"_s}).size()) -
                  (obstacle.startsWith(u"Sealmilled") ? 1 : 0),
              "outputs");
        QVERIFY(!QDir(dir).entryList().join(u' ').contains(u"Sealmill5"_s));
        QCOMPARE(dialogs.messageTexts(),
                 message.isEmpty() ? QStringList() : QStringList{message.replace(u"%1"_s, dir)});
        QCOMPARE(dialogs.asked.value(0).message.details.contains(u"gpg: no such key"_s),
                 signer.contains("PRINT=gpg"));
        QCOMPARE(press.isVisible(), stays);
        QCOMPARE(windows.MainForm().isVisible(), !stays);
        QVERIFY(!mainShown);
        QCOMPARE(press.CancelBtn()->text(), u"&Close"_s);
        QCOMPARE(press.StatusBar()->currentMessage(), TPressRun::kIdleStatus);
        QVERIFY(!message.startsWith(kDone) || positions == (QList<int>{20, 40, 60, 80, 100, 0}));
        // The document is the user's, with its flag and its undo history.
        QCOMPARE(editor.toPlainText(), kTemplate);
        QVERIFY(editor.document()->isModified());
        editor.undo();
        QCOMPARE(editor.toPlainText(), u"Offer\nplain\nref @SERIAL@ @SERIAL@\n"_s);
    }

    void outputDirectoryOver34CharactersIsRefused() {
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        TPressRun& press = windows.PressRun();
        press.PGPdir()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.builtinSignerBox()->setChecked(false);
        press.RUNdir()->setText(u"/tmp/"_s + QString(30, u'd'));
        QTest::mouseClick(press.Run(), Qt::LeftButton);
        QCOMPARE(dialogs.messageTexts(), QStringList{u"Output path too long! Sorry..."_s});
        QVERIFY(!press.isRunning());
    }
};

QTEST_MAIN(TestPressRunEngine)
#include "tst_pressrun_engine.moc"
