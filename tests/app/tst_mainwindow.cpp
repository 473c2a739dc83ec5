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

// The commands that may throw unsaved changes away.
enum class Command { Open, New, Close };
Q_DECLARE_METATYPE(Command)

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
    void questionsBeforeSaving_data() {
        QTest::addColumn<bool>("overwrite");  // Save As onto the file; else Save of it, opened
        QTest::addColumn<QString>("typed");
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<QString>("question");  // %1: the file
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("name");  // %1: the file
        const QByteArray old = "\x93old\x94";
        const QString overwrite = u"OK to overwrite %1"_s;
        QTest::newRow("overwrite, yes")
            << true << u"new"_s << MB::Yes << overwrite << "new"_ba << false << u"%1"_s;
        QTest::newRow("overwrite, no")
            << true << u"new"_s << MB::No << overwrite << old << true << u"Untitled"_s;
        QTest::newRow("as UTF-8, yes")
            << false << u"\u2603"_s << MB::Yes << QString(kSaveAsUtf8Question)
            << "\xe2\x98\x83\xe2\x80\x9cold\xe2\x80\x9d"_ba << false << u"%1"_s;
        QTest::newRow("as UTF-8, no") << false << u"\u2603"_s << MB::No
                                      << QString(kSaveAsUtf8Question) << old << true << u"%1"_s;
    }
    void questionsBeforeSaving() {
        QFETCH(bool, overwrite);
        QFETCH(QString, typed);
        QFETCH(MessageButton, answer);
        QFETCH(QString, question);
        QFETCH(QString, name);
        Harness h;
        const QString file = h.dir.filePath(u"old.txt"_s);
        writeFile(file, "\x93old\x94");
        h.dialogs.answerFile(file);
        if (!overwrite) {
            h.form().open();
        }
        h.editor().insertPlainText(typed);
        h.dialogs.answerMessage(answer);
        overwrite ? h.form().saveAs() : h.form().save();
        QCOMPARE(h.dialogs.messageTexts(), QStringList{question.replace(u"%1"_s, file)});
        QTEST(contents(file), "written");
        QTEST(h.form().editorTemplate().isModified(), "modified");
        QCOMPARE(h.form().currentFileName(), name.replace(u"%1"_s, file));
    }

    // Open, New and close guard unsaved changes alike, and stop after a save
    // that did not happen. Every file dialog but the Save As answered here is
    // cancelled. %1 in the question: the document's file.
    void unsavedChangesQuestion_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("named");  // opened from a file, so Save asks for no name
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<bool>("nameChosen");  // Save As answered with a name
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("textShown");  // the window shows the edited text still
        QTest::addColumn<bool>("modified");
        const QString named = u"Save changes to %1?"_s;
        const QString untitled = u"Save changes to Untitled?"_s;
        QTest::newRow("open, cancel") << Command::Open << true << MB::Cancel << false << named
                                      << u"message"_s << false << true << true;
        QTest::newRow("open, no") << Command::Open << true << MB::No << false << named
                                  << u"message,open"_s << false << true << true;
        QTest::newRow("open, yes, untitled")
            << Command::Open << false << MB::Yes << true << untitled << u"message,save,open"_s
            << true << true << false;
        QTest::newRow("open, yes, save as cancelled")
            << Command::Open << false << MB::Yes << false << untitled << u"message,save"_s << false
            << true << true;
        QTest::newRow("new, cancel") << Command::New << true << MB::Cancel << false << named
                                     << u"message"_s << false << true << true;
        QTest::newRow("new, yes, named") << Command::New << true << MB::Yes << false << named
                                         << u"message"_s << true << false << false;
        QTest::newRow("close, no") << Command::Close << true << MB::No << false << named
                                   << u"message"_s << false << false << true;
        QTest::newRow("close, yes, save as cancelled")
            << Command::Close << false << MB::Yes << false << untitled << u"message,save"_s << false
            << true << true;
    }
    void unsavedChangesQuestion() {
        QFETCH(Command, command);
        QFETCH(bool, named);
        QFETCH(MessageButton, answer);
        QFETCH(bool, nameChosen);
        QFETCH(QString, question);
        Harness h;
        const QString file = h.dir.filePath(u"doc.txt"_s);
        if (named) {
            writeFile(file, "doc");
            h.dialogs.answerFile(file);
            h.form().open();
            h.dialogs.asked.clear();
        }
        h.form().show();
        h.editor().insertPlainText(u"+"_s);
        h.dialogs.answerMessage(answer);
        if (nameChosen) {
            h.dialogs.answerFile(file);
        }
        h.dialogs.answerCancel();
        switch (command) {
            case Command::Open:
                h.form().open();
                break;
            case Command::New:
                h.form().newFile();
                break;
            case Command::Close:
                h.form().close();
                break;
        }
        QCOMPARE(h.dialogs.messageTexts().first(), question.replace(u"%1"_s, file));
        QCOMPARE(h.dialogs.asked.first().message.buttons, MB::Yes | MB::No | MB::Cancel);
        QTEST(h.askedKinds(), "asked");
        QTEST(contents(file).contains('+'), "saved");
        QTEST(h.form().isVisible() && h.editor().toPlainText().contains(u'+'), "textShown");
        QTEST(h.form().editorTemplate().isModified(), "modified");
    }

    // A file too big to open leaves text, name and flag as they were.
    void openFailureLeavesTheDocumentAsItWas() {
        Harness h;
        writeFile(h.dir.filePath(u"big.txt"_s), QByteArray(11, 'x'));
        h.form().editorTemplate().setCapacity(10);
        h.editor().insertPlainText(u"kept"_s);
        h.dialogs.answerMessage(MB::No);  // save changes?
        h.dialogs.answerFile(h.dir.filePath(u"big.txt"_s));
        h.dialogs.answerMessage(MB::Ok);
        h.form().open();
        QCOMPARE(h.dialogs.messageTexts().last(), u"Text exceeds memo capacity."_s);
        QCOMPARE(h.editor().toPlainText() + h.form().currentFileName(), u"keptUntitled"_s);
        QVERIFY(h.form().editorTemplate().isModified());
    }

    // A file that cannot be written leaves text, name and flag as they were.
    void saveFailureLeavesTheDocumentAsItWas() {
        Harness h;
        const QString path = h.dir.filePath(u"no/x.txt"_s);
        h.editor().insertPlainText(u"kept"_s);
        h.dialogs.answerFile(path);
        h.dialogs.answerMessage(MB::Ok);
        h.form().saveAs();
        QCOMPARE(h.dialogs.messageTexts().last(), u"Cannot create file %1."_s.arg(path));
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
