// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window: the template document's commands, and the way to the press run.
#include "app/appwindows.h"
#include "app/editortemplate.h"
#include "app/encodingquestion.h"
#include "app/mainwindow.h"
#include "app/pressrunwindow.h"
#include "fakedialogs.h"
#include "fixedtexts.h"
#include "pressrig.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using MB = MessageButton;

namespace {

// The program's windows, scripted dialogs, a scratch directory.
struct Harness {
    FakeDialogs dialogs;
    AppWindows windows{dialogs};
    QTemporaryDir dir;

    MainWindow& form() { return windows.mainWindow(); }
    QPlainTextEdit& editor() { return *form().editor(); }
    [[nodiscard]] QString askedKinds() const {  // e.g. "message,save"
        QStringList kinds;
        for (const auto& q : dialogs.asked) {
            kinds << u"message open save other other"_s.split(u' ').at(int(q.kind));
        }
        return kinds.join(u',');
    }
};

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What users read, word for word: captions, menu items, hints.
    void fixedTexts_data() {
        addFixedTextColumns();
        const auto row = addFixedText;
        row("reminderLine1", "text", u"Editor MUST contain the"_s);
        row("reminderLine2", "text", u"@SERIAL@"_s);
        row("reminderLine3", "text", u"variable / placeholder!"_s);
        row("fileMenu", "title", u"&File"_s);
        row("editMenu", "title", u"&Edit"_s);
        row("helpMenu", "title", u"&Help"_s);
        row("pressRunItem", "text", u"&Press Run"_s);
        row("pressRunItem", "statusTip", QString());
        const struct {
            const char* item;
            QString caption;
            QString hint;
        } items[] = {
            {"fileNewItem", u"&New"_s, u"Create a new file"_s},
            {"fileOpenItem", u"&Open..."_s, u"Open an existing file"_s},
            {"fileSaveItem", u"&Save"_s, u"Save current file"_s},
            {"fileSaveAsItem", u"Save &As..."_s, u"Save current file under a new name"_s},
            {"filePrintItem", u"&Print"_s, u"Print current file"_s},
            {"filePrintSetupItem", u"P&rint Setup..."_s, u"Change printer setup"_s},
            {"fileExitItem", u"E&xit"_s, u"Exit this application"_s},
            {"editUndoItem", u"&Undo"_s, u"Undo the last action"_s},
            {"editCutItem", u"Cu&t"_s, u"Delete selected item"_s},
            {"editCopyItem", u"&Copy"_s, u"Copy selected item to clipboard"_s},
            {"editPasteItem", u"&Paste"_s, u"Paste contents of clipboard"_s},
            {"helpAboutItem", u"&About..."_s, u"Show program information"_s},
        };
        for (const auto& [item, caption, hint] : items) {
            row(item, "text", caption);
            row(item, "statusTip", hint);
        }
        const struct {
            const char* button;
            QString hint;
        } buttons[] = {
            {"newButton", u"New"_s},
            {"openButton", u"Open"_s},
            {"saveButton", u"Save"_s},
            {"cutButton", u"Cut"_s},
            {"copyButton", u"Copy"_s},
            {"pasteButton", u"Paste"_s},
            {"pressButton", u"Open press section"_s},
            {"aboutButton", u"About Sealmill"_s},
        };
        for (const auto& [button, hint] : buttons) {
            row(button, "toolTip", hint);
            row(button, "statusTip", hint);
        }
    }
    void fixedTexts() {
        QFETCH(QString, object);
        QFETCH(QByteArray, property);
        Harness h;
        QTEST(fixedText(h.form(), object, property), "text");
    }

    // Save of an untitled document goes through Save As; the caption follows the name.
    void saveOfUntitledAndCaptions() {
        Harness h;
        QCOMPARE(h.form().windowTitle(), u"Sealmill"_s);
        h.form().newFile();
        QCOMPARE(h.form().windowTitle(), u"Untitled - Sealmill"_s);
        h.editor().insertPlainText(u"text"_s);
        h.dialogs.answerCancel();
        h.form().save();
        QVERIFY(h.form().editorTemplate().isModified() && QDir(h.dir.path()).isEmpty());
        const QString file = h.dir.filePath(u"100%1 off.txt"_s);
        h.dialogs.answerFile(file);
        h.form().save();
        QCOMPARE(h.form().windowTitle(), u"100%1 off.txt - Sealmill"_s);
        h.editor().insertPlainText(u"\nmore"_s);
        h.form().save();  // named now: asks nothing
        QCOMPARE(contents(file), QByteArray("text\r\nmore"));
        QCOMPARE(h.askedKinds(), u"save,save"_s);
    }

    // Save As asks before replacing a file; a character Windows-1252 lacks
    // makes Save offer UTF-8. Only Yes writes.
    void questionsBeforeSaving() {
        for (const bool overwrite : {true, false}) {
            for (const MB answer : {MB::Yes, MB::No}) {
                Harness h;
                const QString file = h.dir.filePath(u"old.txt"_s);
                writeFile(file, "\x93old\x94");
                h.dialogs.answerFile(file);
                if (!overwrite) {
                    h.form().open();
                }
                h.editor().insertPlainText(overwrite ? u"new"_s : u"\u2603"_s);
                h.dialogs.answerMessage(answer);
                overwrite ? h.form().saveAs() : h.form().save();
                QCOMPARE(
                    h.dialogs.messageTexts(),
                    QStringList{overwrite ? u"OK to overwrite "_s + file : kSaveAsUtf8Question});
                QCOMPARE(contents(file), answer == MB::No ? QByteArray("\x93old\x94")
                                         : overwrite      ? QByteArray("new")
                                                     : "\xe2\x98\x83\xe2\x80\x9cold\xe2\x80\x9d");
                QCOMPARE(h.form().editorTemplate().isModified(), answer == MB::No);
                QCOMPARE(h.form().currentFileName(),
                         overwrite && answer == MB::No ? u"Untitled"_s : file);
            }
        }
    }

    // Open, New and close guard unsaved changes alike, and stop after a save that did not happen.
    void unsavedChangesQuestion_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<QString>("saveAs");  // "-": named, not asked
        QTest::newRow("open, cancel") << u"open"_s << MB::Cancel << u"-"_s;
        QTest::newRow("open, no") << u"open"_s << MB::No << u"-"_s;
        QTest::newRow("open, yes, untitled") << u"open"_s << MB::Yes << u"file"_s;
        QTest::newRow("open, yes, save as cancelled") << u"open"_s << MB::Yes << u"cancel"_s;
        QTest::newRow("new, cancel") << u"new"_s << MB::Cancel << u"-"_s;
        QTest::newRow("new, yes, named") << u"new"_s << MB::Yes << u"-"_s;
        QTest::newRow("close, no") << u"close"_s << MB::No << u"-"_s;
        QTest::newRow("close, yes, save as cancelled") << u"close"_s << MB::Yes << u"cancel"_s;
    }
    void unsavedChangesQuestion() {
        QFETCH(QString, command);
        QFETCH(MessageButton, answer);
        QFETCH(QString, saveAs);
        Harness h;
        const QString file = h.dir.filePath(u"doc.txt"_s);
        if (saveAs == u"-") {
            writeFile(file, "doc");
            h.dialogs.answerFile(file);
            h.form().open();
            h.dialogs.asked.clear();
        }
        h.form().show();
        h.editor().insertPlainText(u"+"_s);
        h.dialogs.answerMessage(answer);
        saveAs == u"file" ? h.dialogs.answerFile(file) : h.dialogs.answerCancel();
        command == u"open" ? h.form().open()
                           : (command == u"new" ? h.form().newFile() : void(h.form().close()));
        QCOMPARE(h.dialogs.messageTexts().first(),
                 u"Save changes to %1?"_s.arg(saveAs == u"-" ? file : u"Untitled"_s));
        QCOMPARE(h.dialogs.asked.first().message.buttons, MB::Yes | MB::No | MB::Cancel);
        const bool goesOn = answer != MB::Cancel && saveAs != u"cancel";
        QCOMPARE(h.askedKinds(), u"message"_s +
                                     (answer == MB::Yes && saveAs != u"-" ? u",save"_s : u""_s) +
                                     (goesOn && command == u"open" ? u",open"_s : u""_s));
        QCOMPARE(contents(file).contains('+'), answer == MB::Yes && saveAs != u"cancel");
        QCOMPARE(h.form().isVisible() && !h.editor().toPlainText().isEmpty(),
                 !goesOn || command == u"open");
        QVERIFY(goesOn || h.form().editorTemplate().isModified());
    }

    // A file that cannot be read or written leaves text, name and flag as they were.
    void failuresLeaveTheDocumentAsItWas_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("failure");
        QTest::newRow("open too big") << u"big.txt"_s << u"Text exceeds memo capacity."_s;
        QTest::newRow("save as, no directory") << u"no/x.txt"_s << u"Cannot create file %1."_s;
    }
    void failuresLeaveTheDocumentAsItWas() {
        QFETCH(QString, target);
        QFETCH(QString, failure);
        const bool open = QByteArray(QTest::currentDataTag()).startsWith("open");
        Harness h;
        const QString path = h.dir.filePath(target);
        writeFile(h.dir.filePath(u"big.txt"_s), QByteArray(11, 'x'));
        h.form().editorTemplate().setCapacity(10);
        h.editor().insertPlainText(u"kept"_s);
        open ? h.dialogs.answerMessage(MB::No) : h.dialogs.answerFile(path);  // save changes?
        open ? h.dialogs.answerFile(path) : h.dialogs.answerMessage(MB::Ok);
        h.dialogs.answerMessage(MB::Ok);
        open ? h.form().open() : h.form().saveAs();
        QCOMPARE(h.dialogs.messageTexts().last(), failure.replace(u"%1"_s, path));
        QCOMPARE(h.editor().toPlainText() + h.form().currentFileName(), u"keptUntitled"_s);
        QVERIFY(h.form().editorTemplate().isModified());
    }

    // Read-only blocks typing and Undo, not Save; New keeps it, the next Open decides.
    void readOnlyAndBytesThroughTheForm() {
        Harness h;
        const QString file = h.dir.filePath(u"ro.txt"_s);
        writeFile(file, "caf\xe9\240\nfixed");
        h.dialogs.answerFile(file, false);
        h.form().open();
        h.editor().insertPlainText(u"\u20ac"_s);
        h.form().save();
        h.dialogs.answerFile(file, true);
        h.form().open();  // the same text: the editor keeps its history
        QTest::keyClicks(&h.editor(), u"typed"_s);
        h.form().undo();
        h.form().save();
        QCOMPARE(contents(file), QByteArray("\x80"
                                            "caf\xe9\240\r\nfixed"));
        h.form().newFile();
        QVERIFY(h.editor().isReadOnly());
        h.dialogs.answerFile(file, false);
        h.form().open();
        QVERIFY(!h.editor().isReadOnly());
    }

    // Menu and button alike open the press run only for a text with the placeholder.
    void pressRunGate() {
        for (const QString& text : {u"copy @serial@"_s, u"a\nNo. @SERIAL@ of 100"_s}) {
            const bool opens = text.contains(u"@SERIAL@");
            for (const bool viaMenu : {true, false}) {
                Harness h;
                h.form().show();
                h.editor().insertPlainText(text);
                h.dialogs.answerMessage(MB::Ok);
                viaMenu ? h.form().menuBar()->actions().at(2)->trigger()
                        : h.form().findChild<QToolButton*>(u"pressButton"_s)->click();
                QCOMPARE(h.windows.pressRunWindow().isVisible() && !h.form().isVisible(), opens);
                QCOMPARE(h.dialogs.messageTexts().join(u'|'),
                         opens ? QString() : u"Text area MUST contain the @SERIAL@ variable"_s);
            }
        }
    }

    // The program's icon comes along; hints of the program's other windows
    // show on the status line too.
    void iconAndHints() {
        Harness h;
        QVERIFY(!h.form().windowIcon().pixmap(32).isNull());
        QLineEdit elsewhere;
        for (const QString& hint : {u"Serial number of the first copy"_s, QString()}) {
            QStatusTipEvent event(hint);
            QApplication::sendEvent(&elsewhere, &event);
            QCOMPARE(h.form().findChild<QStatusBar*>(u"statusLine"_s)->currentMessage(), hint);
        }
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainwindow.moc"
