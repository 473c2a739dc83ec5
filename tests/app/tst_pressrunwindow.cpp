// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The press run window: its fields, and a run as the user sees it, with the
// document in the editor never touched.
#include "app/appwindows.h"
#include "app/editortemplate.h"
#include "app/encodingquestion.h"
#include "app/mainwindow.h"
#include "app/pressrunwindow.h"
#include "app/spinarrows.h"
#include "fakedialogs.h"
#include "fixedtexts.h"
#include "gnupghome.h"
#include "pressrig.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

const QString kTemplate = u"Offer @SERIAL@\nplain \u2603\nref @SERIAL@ @SERIAL@\n"_s;
const QString kDone = u"The Sealmill has run!"_s;
const QString kIdle = u"Choose your settings and press the button..."_s;

Q_DECLARE_METATYPE(MessageKind)

// The user's template in the editor, its last edit one the user can undo,
// and the press run window open on numbers 5..9, the signer stand-in and an
// output folder whose path is far longer than the 34 characters a fixed
// buffer once took.
struct WindowRun {
    QTemporaryDir temp{u"/tmp/sm-XXXXXX"_s};
    QString dir = temp.filePath(u"pressed by the window "_s.repeated(8));
    FakeSignerSettings counter{"COUNTER=" + QFile::encodeName(temp.filePath(u"n"_s))};
    FakeDialogs dialogs;
    AppWindows windows{dialogs};
    PressRunWindow& press = windows.pressRunWindow();
    QPlainTextEdit& editor = *windows.mainWindow().editor();

    WindowRun() {
        QDir().mkdir(dir);
        editor.setPlainText(u"Offer\nplain \u2603\nref @SERIAL@ @SERIAL@\n"_s);
        editor.moveCursor(QTextCursor::Start);
        editor.moveCursor(QTextCursor::EndOfWord);
        QTest::keyClicks(&editor, u" @SERIAL@"_s);
        windows.mainWindow().openPressRun();
        press.serialFromField()->setText(u"5"_s);
        press.serialToField()->setText(u"9"_s);
        press.signerPathLabel()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.builtinSignerBox()->setChecked(false);
        press.outputDirLabel()->setText(dir);
        press.keyIdField()->setText(GnupgHome::userId());
        press.passPhraseField()->setText(GnupgHome::passPhrase());
    }
    [[nodiscard]] QStringList outputs() const {
        return QDir(dir).entryList({u"Sealmilled-file-*"_s}, QDir::Files, QDir::Name);
    }
};

class TestPressRun : public QObject {
    Q_OBJECT

    FakeDialogs dialogs_;
    AppWindows windows_{dialogs_};
    PressRunWindow& w = windows_.pressRunWindow();

private Q_SLOTS:
    void init() {
        w.serialFromField()->setText(u"5"_s);
        w.serialToField()->setText(u"9"_s);
        w.show();
        dialogs_.asked.clear();
    }

    // From 5-9, one field selected whole: keys pressed (a paste takes the
    // clipboard's text), then text typed.
    void serialKeys_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QList<QKeySequence>>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("boxes");
        using Keys = QList<QKeySequence>;
        const QKeySequence end(Qt::Key_End);
        QTest::newRow("to 2 pulls from down")
            << false << QString() << Keys() << u"2"_s << u"2-2"_s << 0;
        QTest::newRow("from 12 pulls to up")
            << true << QString() << Keys() << u"12"_s << u"12-12"_s << 0;
        QTest::newRow("from emptied")
            << true << QString() << Keys{end, QKeySequence(Qt::Key_Backspace)} << QString()
            << u"1-9"_s << 1;
        QTest::newRow("filtered keys")
            << true << QString() << Keys{end} << u" -+a$"_s << u"5-9"_s << 0;
        QTest::newRow("pasted 12a")
            << true << u"12a"_s << Keys{QKeySequence::Paste} << QString() << u"1-9"_s << 1;
        QTest::newRow("letters with modifiers")
            << true << QString()
            << Keys{end, QKeySequence(u"Alt+X"_s), QKeySequence(u"Meta+Q"_s),
                    QKeySequence(u"Ctrl+Alt+K"_s)}
            << QString() << u"5-9"_s << 0;
    }
    void serialKeys() {
        QFETCH(bool, onFrom);
        QFETCH(QString, clipboard);
        QFETCH(QList<QKeySequence>, keys);
        QFETCH(QString, typed);
        QFETCH(int, boxes);
        QLineEdit* field = onFrom ? w.serialFromField() : w.serialToField();
        field->setFocus();
        field->selectAll();
        QGuiApplication::clipboard()->setText(clipboard);
        for (const QKeySequence& key : keys) {
            QTest::keySequence(field, key);
        }
        QTest::keyClicks(field, typed);
        QTEST(w.serialFromField()->text() + u'-' + w.serialToField()->text(), "range");
        QCOMPARE(dialogs_.messageTexts(),
                 QStringList(boxes, u"This field requires a positive nonzero integer value!"_s));
    }

    // From 5-9, a number typed over one field, then its down arrow clicked
    // and the Down key pressed: neither goes below 1.
    void serialArrows_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downKeys");
        QTest::addColumn<QString>("range");
        QTest::newRow("down at 1") << true << u"1"_s << 1 << u"1-9"_s;
        QTest::newRow("to down pulls from") << false << u"5"_s << 0 << u"4-4"_s;
    }
    void serialArrows() {
        QFETCH(bool, onFrom);
        QFETCH(QString, typed);
        QFETCH(int, downKeys);
        QLineEdit* field = onFrom ? w.serialFromField() : w.serialToField();
        SpinArrows* arrows = onFrom ? w.serialFromArrows() : w.serialToArrows();
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
        QTest::mouseClick(arrows->downButton(), Qt::LeftButton);
        for (int i = 0; i < downKeys; ++i) {
            QTest::keyClick(field, Qt::Key_Down);
        }
        QTEST(w.serialFromField()->text() + u'-' + w.serialToField()->text(), "range");
        QCOMPARE(dialogs_.messageTexts(), QStringList());
    }

    // The built-in signer is ticked exactly when PGPPATH leads to no signer
    // program, since there is nothing else to sign with then.
    void builtinSignerByDefault_data() {
        QTest::addColumn<bool>("programThere");
        QTest::newRow("signer program in PGPPATH") << true;
        QTest::newRow("none there") << false;
    }
    void builtinSignerByDefault() {
        QFETCH(bool, programThere);
        QTemporaryDir pgpPath;
        if (programThere) {
            writeFile(pgpPath.filePath(u"PGP.EXE"_s), "#!/bin/sh\n");
        }
        const QByteArray saved = qgetenv("PGPPATH");
        qputenv("PGPPATH", QFile::encodeName(pgpPath.path()));
        AppWindows windows(dialogs_);
        qputenv("PGPPATH", saved);
        QCOMPARE(windows.pressRunWindow().builtinSignerBox()->isChecked(), !programThere);
    }

    // Escape and minimising close the window (minimised, it would leave
    // nothing to click); cancelled choosers keep the paths.
    void closingAndChoosers() {
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.serialToField()->setFocus();
        QTest::keyClick(w.serialToField(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        w.show();
        windows_.mainWindow().hide();
        w.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!w.isVisible() && windows_.mainWindow().isVisible());
        w.show();
        QVERIFY(!w.isMinimized());

        const QString paths = w.signerPathLabel()->text() + w.outputDirLabel()->text();
        dialogs_.answerCancel();
        dialogs_.answerCancel();
        QTest::mouseClick(w.findChild<QToolButton*>(u"browseSignerButton"_s), Qt::LeftButton);
        QTest::mouseClick(w.findChild<QToolButton*>(u"browseOutputButton"_s), Qt::LeftButton);
        QCOMPARE(w.signerPathLabel()->text() + w.outputDirLabel()->text(), paths);
    }

    // What users read, word for word.
    void fixedTexts_data() {
        addFixedTextColumns();
        const auto row = addFixedText;
        row("PressRunWindow", "windowTitle", u"Press Run"_s);
        row("rangeGroup", "title", u"Press Run information:"_s);
        row("serialFromLabel", "text", u"Serial From:"_s);
        row("serialToLabel", "text", u"Serial To:"_s);
        row("namePatternLabel", "text", u"Pressed Files Names:"_s);
        row("namePatternField", "statusTip",
            u"The names of the files after pressing, including the @SERIAL@ variable"_s);
        row("keyGroup", "title", u"PGP information:"_s);
        row("keyIdLabel", "text", u"PGP-key identifier:"_s);
        row("passPhraseLabel", "text", u"Pass Phrase:"_s);
        row("signerGroup", "title", u"PGP.EXE path:"_s);
        row("browseSignerButton", "text", u"&Browse..."_s);
        row("builtinSignerBox", "text", u"Sign &inside Sealmill with my GnuPG key instead"_s);
        row("outputGroup", "title", u"Directory for pressed files:"_s);
        row("browseOutputButton", "text", u"Br&owse..."_s);
        row("registerBox", "text", u"Keep a &register of issued copies"_s);
        row("browseRegisterButton", "text", u"Bro&wse..."_s);
        row("warningLabel", "text",
            u"PGP-key Identifier & Pass Phrase MUST be ok! Otherwise nothing will be pressed..."_s);
        row("closeButton", "text", u"&Close"_s);
        row("runButton", "text", u"Run &Press!"_s);
        row("runButton", "statusTip", u"Let the pressing commence!"_s);
    }
    void fixedTexts() {
        QFETCH(QString, object);
        QFETCH(QByteArray, property);
        PressRunWindow fresh(dialogs_, windows_.mainWindow());
        QTEST(fixedText(fresh, object, property), "text");
    }

    // By keyboard alone: each Browse... follows the field it fills in the Tab
    // order and has an access key of its own; the folder chooser starts at
    // the folder shown.
    void keyboard() {
        QStringList order;
        for (QWidget* at = w.namePatternField()->nextInFocusChain(); at != w.runButton();
             at = at->nextInFocusChain()) {
            if (at->focusPolicy() & Qt::TabFocus) {
                order << at->objectName();
            }
        }
        QCOMPARE(order, (QStringList{u"browseSignerButton"_s, u"builtinSignerBox"_s,
                                     u"browseOutputButton"_s, u"registerBox"_s,
                                     u"browseRegisterButton"_s, u"closeButton"_s}));
        QStringList keys;
        for (const QAbstractButton* button : w.findChildren<QAbstractButton*>()) {
            keys << QKeySequence::mnemonic(button->text()).toString();
        }
        keys.removeAll(QString());
        keys.sort();
        QCOMPARE(keys, (QStringList{u"Alt+B"_s, u"Alt+C"_s, u"Alt+I"_s, u"Alt+O"_s, u"Alt+P"_s,
                                    u"Alt+R"_s, u"Alt+W"_s}));
        w.outputDirLabel()->setText(u"/tmp"_s);
        for (const char* browse : {"browseSignerButton", "browseOutputButton"}) {
            auto* button = w.findChild<QToolButton*>(QLatin1String(browse));
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
        }
        QCOMPARE(dialogs_.asked.size(), 2);
        QCOMPARE(dialogs_.asked.at(0).kind, FakeDialogs::Kind::OpenFile);
        QCOMPARE(dialogs_.asked.at(1).kind, FakeDialogs::Kind::Directory);
        QCOMPARE(dialogs_.asked.at(1).directory.rootDirectory, u"/tmp"_s);
    }

    // Refused before anything is written: the status line or the box says why.
    void refusals_data() {
        QTest::addColumn<bool>("builtin");
        QTest::addColumn<QString>("signer");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("status");
        QTest::newRow("no signer program")
            << false << u"/"_s << u"out-@SERIAL@.txt"_s << QStringList()
            << u"Nothing pressed: no signer program at /. Choose one with Browse..., or sign "
               u"inside Sealmill."_s;
        QTest::newRow("output name longer than the system takes")
            << true << u"/"_s << QString(251, u'n') + u"@SERIAL@.txt"_s
            << QStringList{u"Output path too long! Sorry..."_s} << kIdle;
    }
    void refusals() {
        QFETCH(bool, builtin);
        QFETCH(QString, signer);
        QFETCH(QString, pattern);
        QTemporaryDir dir;
        w.builtinSignerBox()->setChecked(builtin);
        w.signerPathLabel()->setText(signer);
        w.namePatternField()->setText(pattern);
        w.outputDirLabel()->setText(dir.path());
        windows_.mainWindow().editor()->setPlainText(u"No. @SERIAL@"_s);
        QTest::mouseClick(w.runButton(), Qt::LeftButton);
        QTRY_VERIFY(!w.isRunning());
        QTEST(dialogs_.messageTexts(), "boxes");
        QTEST(w.statusBar()->currentMessage(), "status");
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // Yes to the question before a run of a text Windows-1252 cannot store:
    // the copies are UTF-8, and so is every save from then on.
    void windows1252TextPressedAsUtf8() {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"offer.txt"_s);
        writeFile(file, "Offer \x93@SERIAL@\x94\n");
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        dialogs.answerFile(file);
        windows.mainWindow().open();
        windows.mainWindow().editor()->moveCursor(QTextCursor::End);
        windows.mainWindow().editor()->insertPlainText(u"\u2603"_s);
        PressRunWindow& press = windows.pressRunWindow();
        press.builtinSignerBox()->setChecked(false);
        press.signerPathLabel()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.outputDirLabel()->setText(dir.path());
        press.serialToField()->setText(u"5"_s);
        dialogs.answerMessage(MessageButton::Yes);
        QTest::mouseClick(press.runButton(), Qt::LeftButton);
        QTRY_VERIFY(!press.isRunning());
        QCOMPARE(dialogs.messageTexts(), (QStringList{kPressAsUtf8Question, kDone}));
        QVERIFY(contents(dir.filePath(u"Sealmilled-file-5.txt"_s))
                    .contains("Offer \xe2\x80\x9c"
                              "5\xe2\x80\x9d\r\n\xe2\x98\x83"));
        windows.mainWindow().save();
        QCOMPARE(contents(file), "Offer \xe2\x80\x9c@SERIAL@\xe2\x80\x9d\r\n\xe2\x98\x83");
    }

    // 5..9 with the stand-in signer: a second Run is ignored, the bar moves
    // per number, the box says so and the window gives way to the editor,
    // whose document is never touched.
    void pressesTheRange() {
        WindowRun run;
        QList<int> positions;
        QObject::connect(run.press.progressBar(), &QProgressBar::valueChanged,
                         [&positions](int value) { positions << value; });
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QVERIFY(run.press.isRunning());
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 60000);

        QCOMPARE(run.outputs(), (QStringList{u"Sealmilled-file-5.txt"_s, u"Sealmilled-file-6.txt"_s,
                                             u"Sealmilled-file-7.txt"_s, u"Sealmilled-file-8.txt"_s,
                                             u"Sealmilled-file-9.txt"_s}));
        writeFile(run.temp.filePath(u"usual"_s), {});  // with the access a new file gets
        QCOMPARE(QFileInfo(run.dir + u"/Sealmilled-file-7.txt"_s).permissions(),
                 QFileInfo(run.temp.filePath(u"usual"_s)).permissions());
        QCOMPARE(positions, (QList<int>{20, 40, 60, 80, 100, 0}));
        QCOMPARE(run.dialogs.asked.size(), 1);
        QCOMPARE(run.dialogs.asked.at(0).message.kind, MessageKind::Information);
        QCOMPARE(run.dialogs.asked.at(0).message.text, kDone);
        QVERIFY(!run.press.isVisible());
        QVERIFY(run.windows.mainWindow().isVisible());
        QCOMPARE(run.press.closeButton()->text(), u"&Close"_s);
        QCOMPARE(run.press.statusBar()->currentMessage(), kIdle);
        // The document is the user's, with its flag and its undo history.
        QCOMPARE(run.editor.toPlainText(), kTemplate);
        QVERIFY(run.editor.document()->isModified());
        run.editor.undo();
        QCOMPARE(run.editor.toPlainText(), u"Offer\nplain \u2603\nref @SERIAL@ @SERIAL@\n"_s);
    }

    // Ticked, the register starts beside the output folder and gains a line
    // per published copy; a second run of the same range is refused there,
    // pressing nothing.
    void registerKeptAndHeld() {
        WindowRun run;
        QVERIFY(!run.press.registerBox()->isChecked());
        run.press.registerBox()->setChecked(true);
        const QString issued = run.temp.filePath(u"issued.csv"_s);
        QCOMPARE(run.press.registerPathLabel()->text(), issued);
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 60000);

        QCOMPARE(run.dialogs.messageTexts(), QStringList{kDone});
        QStringList kept;
        for (const QString& line :
             QString::fromUtf8(contents(issued)).split(u"\r\n"_s, Qt::SkipEmptyParts)) {
            kept << line.section(u',', 0, 1);
        }
        QCOMPARE(kept, (QStringList{u"number,file"_s, u"5,Sealmilled-file-5.txt"_s,
                                    u"6,Sealmilled-file-6.txt"_s, u"7,Sealmilled-file-7.txt"_s,
                                    u"8,Sealmilled-file-8.txt"_s, u"9,Sealmilled-file-9.txt"_s}));

        for (const QString& name : run.outputs()) {
            QVERIFY(QFile::remove(run.dir + u'/' + name));
        }
        run.windows.mainWindow().openPressRun();
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY(!run.press.isRunning());
        const QStringList texts = run.dialogs.messageTexts();
        QCOMPARE(texts.size(), 2);
        const QRegularExpression refused(
            u"^Number ([5-9]) is already in the register "_s + QRegularExpression::escape(issued) +
            u" \\(Sealmilled-file-\\1\\.txt, 20[-0-9T:]+Z\\): nothing was pressed$"_s);
        QVERIFY2(refused.match(texts.at(1)).hasMatch(), qPrintable(texts.at(1)));
        QCOMPARE(run.outputs(), QStringList());
        QVERIFY(run.press.isVisible());
    }

    // A run that fails shows the box its outcome reads as, with the details,
    // and leaves the window open and idle. %1 in a text: the output folder.
    void failureShown_data() {
        QTest::addColumn<QByteArray>("signer");  // FAKESIGNER_ settings
        QTest::addColumn<QString>("obstacle");   // a file already in the output folder
        QTest::addColumn<MessageKind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("details");
        QTest::addColumn<int>("outputs");
        QTest::newRow("signer exit 11 on 6")
            << "FAIL_AT=2;EXIT=11;PRINT=gpg: no such key\n"_ba << u"notes.txt"_s
            << MessageKind::Error << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s
            << u"gpg: no such key\ngpg: no such key\n"_s << 1;
        QTest::newRow("snapshot left behind")
            << QByteArray() << u"SealmillTemplate.tmp"_s << MessageKind::Failure
            << u"Cannot create file %1/SealmillTemplate.tmp: File exists."_s
            << u"Another press run is using this folder, or an earlier one was killed before it "
               u"could clean up. Remove the file if no run is going on."_s
            << 0;
    }
    void failureShown() {
        QFETCH(QByteArray, signer);
        QFETCH(QString, obstacle);
        QFETCH(QString, text);
        WindowRun run;
        const FakeSignerSettings settings(signer);
        writeFile(run.dir + u'/' + obstacle, {});
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 60000);

        QTEST(static_cast<int>(run.outputs().size()), "outputs");
        QCOMPARE(run.dialogs.asked.size(), 1);
        QTEST(run.dialogs.asked.at(0).message.kind, "kind");
        QCOMPARE(run.dialogs.asked.at(0).message.text, text.replace(u"%1"_s, run.dir));
        QTEST(run.dialogs.asked.at(0).message.details, "details");
        QVERIFY(run.press.isVisible());
        QVERIFY(!run.windows.mainWindow().isVisible());
        QCOMPARE(run.press.closeButton()->text(), u"&Close"_s);
        QCOMPARE(run.press.statusBar()->currentMessage(), kIdle);
    }

    // Cancel lets the signer finish its number, publishes it and brings the
    // editor back, whose status line says what was pressed.
    void cancelOnce() {
        WindowRun run;
        const FakeSignerSettings settings("SLEEP_MS=500");
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(run.dir + u"/Sealmill6.tmp"_s));  // the signer works on 6
        QTest::mouseClick(run.press.closeButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 20000);
        QCOMPARE(run.outputs(),
                 QStringList({u"Sealmilled-file-5.txt"_s, u"Sealmilled-file-6.txt"_s}));
        QVERIFY(!run.press.isVisible());
        QCOMPARE(run.windows.mainWindow().statusBar()->currentMessage(),
                 u"Run cancelled: 2 numbers were pressed."_s);
    }

    // Cancel asks the signer to finish its number; the close box, a second
    // Cancel, stops it at once, and the status line counts what was pressed.
    void cancelTwice() {
        WindowRun run;
        const FakeSignerSettings settings("SLEEP_MS=60000");
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY(QFileInfo::exists(run.dir + u"/Sealmill5.tmp"_s));  // the signer works on 5
        QTest::mouseClick(run.press.closeButton(), Qt::LeftButton);
        QCOMPARE(run.press.statusBar()->currentMessage(),
                 u"Cancelling: number 5 is being signed. Press Cancel again to stop now."_s);
        QVERIFY(run.press.isVisible());
        run.press.close();
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 20000);

        QCOMPARE(run.outputs(), QStringList());
        QCOMPARE(run.dialogs.asked.size(), 0);
        QCOMPARE(run.press.statusBar()->currentMessage(),
                 u"Run stopped: 0 numbers were pressed."_s);
        QVERIFY(run.press.isVisible());
        QCOMPARE(run.press.closeButton()->text(), u"&Close"_s);
    }

    // The key and the pass phrase typed in the window reach either signer:
    // a throw-away GnuPG key signs every copy.
    void realSigners_data() {
        QTest::addColumn<bool>("builtin");
        QTest::newRow("pgpgpg") << false;
        QTest::newRow("built-in signer") << true;
    }
    void realSigners() {
        QFETCH(bool, builtin);
        if (GnupgHome::gpgProgram().isEmpty() || GnupgHome::pgpgpgProgram().isEmpty()) {
            QSKIP("gpg and pgpgpg are needed (./dev installs them)");
        }
        const GnupgHome home;
        QVERIFY2(home.isReady(), qPrintable(home.error()));
        WindowRun run;
        run.press.signerPathLabel()->setText(GnupgHome::pgpgpgProgram());
        run.press.builtinSignerBox()->setChecked(builtin);
        QTest::mouseClick(run.press.runButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!run.press.isRunning(), 60000);

        QCOMPARE(run.dialogs.messageTexts(), QStringList{kDone});
        QCOMPARE(run.outputs().size(), 5);
        for (const QString& name : run.outputs()) {
            QCOMPARE(home.goodSignatureBy(run.dir + u'/' + name), home.fingerprint());
        }
        QCOMPARE(home.signedText(run.dir + u"/Sealmilled-file-7.txt"_s).replace("\r\n", "\n"),
                 "Offer 7\nplain \xe2\x98\x83\nref 7 @SERIAL@\n");
    }
};

QTEST_MAIN(TestPressRun)
#include "tst_pressrunwindow.moc"
