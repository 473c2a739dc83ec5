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

    // From 5-9, select one field, then '#' keys, '^' arrow clicks, '=' pastes, others typed.
    void serialRules_data() {
        QTest::addColumn<bool>("onFrom");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("boxes");
        QTest::newRow("to 2 pulls from down") << false << u"2"_s << u"2-2"_s << 0;
        QTest::newRow("from 12 pulls to up") << true << u"12"_s << u"12-12"_s << 0;
        QTest::newRow("from emptied") << true << u"#End|#Backspace"_s << u"1-9"_s << 1;
        QTest::newRow("filtered keys") << true << u"#End| -+a$"_s << u"5-9"_s << 0;
        QTest::newRow("letters with modifiers")
            << true << u"#End|#Alt+X|#Meta+Q|#Ctrl+Alt+K"_s << u"5-9"_s << 0;
        QTest::newRow("pasted 12a") << true << u"=12a"_s << u"1-9"_s << 1;
        QTest::newRow("down at 1") << true << u"1|^dn|#Down"_s << u"1-9"_s << 0;
        QTest::newRow("to down pulls from") << false << u"5|^dn"_s << u"4-4"_s << 0;
    }
    void serialRules() {
        QFETCH(bool, onFrom);
        QFETCH(QString, script);
        QFETCH(int, boxes);
        QLineEdit* field = onFrom ? w.serialFromField() : w.serialToField();
        SpinArrows* arrows = onFrom ? w.serialFromArrows() : w.serialToArrows();
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
        QTEST(w.serialFromField()->text() + u'-' + w.serialToField()->text(), "range");
        QCOMPARE(dialogs_.messageTexts(),
                 QStringList(boxes, u"This field requires a positive nonzero integer value!"_s));
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
                                     u"browseOutputButton"_s, u"closeButton"_s}));
        QStringList keys;
        for (const QAbstractButton* button : w.findChildren<QAbstractButton*>()) {
            keys << QKeySequence::mnemonic(button->text()).toString();
        }
        keys.removeAll(QString());
        keys.sort();
        QCOMPARE(keys, (QStringList{u"Alt+B"_s, u"Alt+C"_s, u"Alt+I"_s, u"Alt+O"_s, u"Alt+P"_s}));
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

    // Refused before anything is written, saying why.
    void refusals_data() {
        QTest::addColumn<QString>("signer");  // the signer path; empty: the built-in signer
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("status");
        QTest::newRow("no signer program")
            << u"/"_s << u"out-@SERIAL@.txt"_s << QStringList()
            << u"Nothing pressed: no signer program at /. Choose one with Browse..., or sign "
               u"inside Sealmill."_s;
        QTest::newRow("output name longer than the system takes")
            << QString() << QString(251, u'n') + u"@SERIAL@.txt"_s
            << QStringList{u"Output path too long! Sorry..."_s}
            << QString(PressRunWindow::kIdleStatus);
    }
    void refusals() {
        QFETCH(QString, signer);
        QFETCH(QString, pattern);
        QTemporaryDir dir;
        w.builtinSignerBox()->setChecked(signer.isEmpty());
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

    // Runs 5..9 with the stand-in signer, or a real one ("real ...") with a
    // throw-away GnuPG key. %1 in a message: the output directory.
    void run_data() {
        QTest::addColumn<QByteArray>("signer");  // FAKESIGNER_ settings
        QTest::addColumn<QString>("obstacle");   // a file already in the output directory
        QTest::addColumn<QString>("cancel");     // "", "once" or "twice", during the first number
        QTest::addColumn<int>("outputs");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("status");  // the status line at the end
        const auto row = [](const char* name, const QByteArray& signer, const QString& obstacle,
                            const QString& cancel, int outputs, const QString& message,
                            const QString& status = PressRunWindow::kIdleStatus) {
            QTest::newRow(name) << signer << obstacle << cancel << outputs << message << status;
        };
        row("5..9, a second Run ignored", {}, {}, {}, 5, kDone);
        row("output 7 exists", {}, u"Sealmilled-file-7.txt"_s, {}, 2,
            u"%1/Sealmilled-file-7.txt already exists!\rOverwrite not supported"_s);
        row("signer exit 11 on 6", "FAIL_AT=2;EXIT=11;PRINT=gpg: no such key", {}, {}, 1,
            u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s);
        row("snapshot left behind", {}, u"SealmillTemplate.tmp"_s, {}, 0,
            u"Cannot create file %1/SealmillTemplate.tmp: File exists."_s);
        row("text Windows-1252 cannot store, UTF-8 refused", "Windows-1252", {}, {}, 0,
            kPressAsUtf8Question);
        row("signer succeeds but writes nothing", "NO_OUTPUT=1;PRINT=gpg: no such key", {}, {}, 0,
            u"%1/Sealmilled-file-5.txt was not written!\rThe signer reported success but left "
            u"no signed copy"_s);
        row("signer ended by a signal", "SIGNAL=9", {}, {}, 0,
            u"The signer was ended by signal 9 (Killed)."_s);
        row("cancel once", "SLEEP_MS=400", {}, u"once"_s, 1, {});
        row("cancel twice", "SLEEP_MS=60000", {}, u"twice"_s, 0, {},
            u"Run stopped: 0 numbers were pressed."_s);
        row("real pgpgpg", "real", {}, {}, 5, kDone);
        row("real built-in signer", "real builtin", {}, {}, 5, kDone);
        row("real built-in signer, wrong pass phrase", "real builtin wrong", {}, {}, 0,
            u"Wrong pass phrase for "_s + GnupgHome::userId());
    }
    void run() {
        QFETCH(QByteArray, signer);
        QFETCH(QString, obstacle);
        QFETCH(QString, cancel);
        QFETCH(QString, message);
        const bool stays = message != kDone && cancel != u"once";  // the window stays open
        std::optional<GnupgHome> home;
        if (signer.startsWith("real")) {
            if (GnupgHome::gpgProgram().isEmpty() || GnupgHome::pgpgpgProgram().isEmpty()) {
                QSKIP("gpg and pgpgpg are needed (./dev installs them)");
            }
            home.emplace();
            QVERIFY2(home->isReady(), qPrintable(home->error()));
        }
        QTemporaryDir temp(u"/tmp/sm-XXXXXX"_s);
        // Far longer than the 34 characters a fixed buffer once took.
        const QString dir = temp.filePath(u"pressed by the window "_s.repeated(8));
        QVERIFY(QDir().mkdir(dir));
        const FakeSignerSettings settings("COUNTER=" + QFile::encodeName(temp.filePath(u"n"_s)) +
                                          ';' + signer);
        QVERIFY(obstacle.isEmpty() || QFile(dir + u'/' + obstacle).open(QIODevice::WriteOnly));
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        PressRunWindow& press = windows.pressRunWindow();
        QPlainTextEdit& editor = *windows.mainWindow().editor();
        editor.setPlainText(u"Offer\nplain \u2603\nref @SERIAL@ @SERIAL@\n"_s);
        windows.mainWindow().editorTemplate().setEncoding(signer == "Windows-1252"
                                                              ? sealmill::TextEncoding::Windows1252
                                                              : sealmill::TextEncoding::Utf8);
        editor.moveCursor(QTextCursor::Start);
        editor.moveCursor(QTextCursor::EndOfWord);
        QTest::keyClicks(&editor, u" @SERIAL@"_s);  // an edit the user can undo
        QCOMPARE(editor.toPlainText(), kTemplate);
        windows.mainWindow().openPressRun();
        press.signerPathLabel()->setText(home ? GnupgHome::pgpgpgProgram()
                                              : QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.builtinSignerBox()->setChecked(signer.contains("builtin"));
        press.outputDirLabel()->setText(dir);
        press.keyIdField()->setText(GnupgHome::userId());
        press.passPhraseField()->setText(signer.contains("wrong") ? u"mill"_s
                                                                  : GnupgHome::passPhrase());
        QList<int> positions;
        QObject::connect(press.progressBar(), &QProgressBar::valueChanged,
                         [&positions](int value) { positions << value; });

        QTest::mouseClick(press.runButton(), Qt::LeftButton);
        if (press.isRunning()) {
            QTest::mouseClick(press.runButton(), Qt::LeftButton);
        }
        if (!cancel.isEmpty()) {
            QTRY_VERIFY(QFileInfo::exists(dir + u"/Sealmill5.tmp"_s));  // the signer works on 5
            QTest::mouseClick(press.closeButton(), Qt::LeftButton);
            QVERIFY(press.statusBar()->currentMessage().contains(u"Press Cancel again"_s));
            QVERIFY(press.isVisible());
        }
        if (cancel == u"twice") {
            press.close();  // the close box
        }
        QTRY_VERIFY_WITH_TIMEOUT(!press.isRunning(), 60000);

        QStringList outputs = QDir(dir).entryList({u"Sealmilled-file-*"_s});
        outputs.removeOne(obstacle);
        QTEST(static_cast<int>(outputs.size()), "outputs");
        writeFile(temp.filePath(u"usual"_s), {});  // with the access a new file gets
        for (const QString& name : outputs) {
            const QByteArray n = name.sliced(16).chopped(4).toLatin1();
            QCOMPARE(QFileInfo(dir + u'/' + name).permissions(),
                     QFileInfo(temp.filePath(u"usual"_s)).permissions());
            QVERIFY(!home || home->goodSignatureBy(dir + u'/' + name) == home->fingerprint());
            QVERIFY(!home || home->signedText(dir + u'/' + name).replace("\r\n", "\n") ==
                                 "Offer " + n + "\nplain \xe2\x98\x83\nref " + n + " @SERIAL@\n");
        }
        QCOMPARE(dialogs.messageTexts(),
                 message.isEmpty() ? QStringList() : QStringList{message.replace(u"%1"_s, dir)});
        QCOMPARE(dialogs.asked.value(0).message.details.contains(u"gpg: no such key"_s),
                 signer.contains("PRINT=gpg"));
        QCOMPARE(press.isVisible(), stays);
        QCOMPARE(windows.mainWindow().isVisible(), !stays);
        QCOMPARE(press.closeButton()->text(), u"&Close"_s);
        QTEST(press.statusBar()->currentMessage(), "status");
        QVERIFY(!message.startsWith(kDone) || positions == (QList<int>{20, 40, 60, 80, 100, 0}));
        // The document is the user's, with its flag and its undo history.
        QCOMPARE(editor.toPlainText(), kTemplate);
        QVERIFY(editor.document()->isModified());
        editor.undo();
        QCOMPARE(editor.toPlainText(), u"Offer\nplain \u2603\nref @SERIAL@ @SERIAL@\n"_s);
    }
};

QTEST_MAIN(TestPressRun)
#include "tst_pressrunwindow.moc"
