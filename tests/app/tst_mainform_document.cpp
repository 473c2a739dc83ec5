#include "mainformharness.h"

using MB = MessageButton;
using H = MainFormHarness;

class TestMainFormDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Save of an untitled document goes through Save As; the caption follows
    // the name, even one holding "%1".
    void captionsAndSaveOfUntitled() {
        H h;
        QCOMPARE(h.form().windowTitle(), u"Sealmill"_qs);
        QCOMPARE(h.form().currentFileName(), u"Untitled"_qs);
        h.form().FileNew();
        QCOMPARE(h.form().windowTitle(), u"Untitled - Sealmill"_qs);
        h.type(u"text"_qs);
        h.dialogs.answerCancel();
        h.form().FileSave();
        QCOMPARE(h.askedKinds(), u"save"_qs);
        QCOMPARE(h.form().currentFileName(), u"Untitled"_qs);
        QVERIFY(h.document().isModified());
        QVERIFY(QDir(h.dir.path()).isEmpty());

        const QString file = h.path(u"100%1 off.txt"_qs);
        h.dialogs.answerFile(file);
        h.form().FileSave();
        QCOMPARE(H::readFile(file), QByteArray("text"));
        QCOMPARE(h.form().windowTitle(), u"100%1 off.txt - Sealmill"_qs);
        QCOMPARE(h.form().currentFileName(), file);
        QVERIFY(!h.document().isModified());

        // Save keeps the name and asks nothing.
        h.type(u"\nmore"_qs);
        h.form().FileSave();
        QCOMPARE(H::readFile(file), QByteArray("text\r\nmore"));
        QCOMPARE(h.dialogs.asked.size(), 2);
        QCOMPARE(h.dialogs.unexpected, 0);
    }

    void saveAsAsksBeforeOverwriting_data() {
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<bool>("written");
        QTest::newRow("yes") << MB::Yes << true;
        QTest::newRow("no") << MB::No << false;
        QTest::newRow("cancel") << MB::Cancel << false;
    }
    void saveAsAsksBeforeOverwriting() {
        QFETCH(MessageButton, answer);
        QFETCH(bool, written);
        H h;
        const QString file = h.path(u"old.txt"_qs);
        H::writeFile(file, "old");
        h.type(u"new"_qs);
        h.dialogs.answerFile(file);
        h.dialogs.answerMessage(answer);
        h.form().FileSaveAs();
        const auto& q = h.dialogs.asked.at(1).message;
        QCOMPARE(q.kind, MessageKind::Confirmation);
        QCOMPARE(q.text, u"OK to overwrite "_qs + file);
        QCOMPARE(q.buttons, MB::Yes | MB::No | MB::Cancel);
        QCOMPARE(H::readFile(file), written ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(h.form().currentFileName(), written ? file : u"Untitled"_qs);
        QCOMPARE(h.document().isModified(), !written);
    }

    // Open, New and closing the window all guard unsaved changes alike; only
    // Open goes on when a Yes ended without a save, the others would lose the text.
    void unsavedChangesQuestion_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("named");
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<bool>("cancelSaveAs");
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("goesOn");
        for (const QString& command : {u"open"_qs, u"new"_qs, u"close"_qs}) {
            const bool open = command == u"open";
            const QString then = open ? u",open"_qs : QString();
            const auto row = [&](const char* name, bool named, MB answer, bool cancelSaveAs,
                                 const QString& kinds, bool saved, bool goesOn) {
                QTest::addRow("%s %s", qPrintable(command), name)
                    << command << named << answer << cancelSaveAs << kinds << saved << goesOn;
            };
            row("cancel", true, MB::Cancel, false, u"message"_qs, false, false);
            row("no", true, MB::No, false, u"message"_qs + then, false, true);
            row("yes, named", true, MB::Yes, false, u"message"_qs + then, true, true);
            row("yes, untitled", false, MB::Yes, false, u"message,save"_qs + then, true, true);
            row("yes, untitled, save as cancelled", false, MB::Yes, true, u"message,save"_qs + then,
                false, open);
        }
    }
    void unsavedChangesQuestion() {
        QFETCH(QString, command);
        QFETCH(bool, named);
        QFETCH(MessageButton, answer);
        QFETCH(bool, cancelSaveAs);
        QFETCH(QString, kinds);
        QFETCH(bool, saved);
        QFETCH(bool, goesOn);
        H h;
        const QString file = h.path(u"doc.txt"_qs);
        const QString other = h.path(u"other.txt"_qs);
        H::writeFile(other, "other");
        if (named) {
            H::writeFile(file, "doc");
            h.dialogs.answerFile(file);
            h.form().FileOpen();
            h.dialogs.asked.clear();
        }
        h.form().show();
        h.type(u"+edit"_qs);

        h.dialogs.answerMessage(answer);
        if (!named && answer == MB::Yes) {
            cancelSaveAs ? h.dialogs.answerCancel() : h.dialogs.answerFile(file);
        }
        if (command == u"open") {
            h.dialogs.answerFile(other);
            h.form().FileOpen();
        } else if (command == u"new") {
            h.form().FileNew();
        } else {
            h.form().close();
        }

        const auto& q = h.dialogs.asked.constFirst().message;
        QCOMPARE(q.kind, MessageKind::Confirmation);
        QCOMPARE(q.text, QString(u"Save changes to "_qs + (named ? file : u"Untitled"_qs) + u'?'));
        QCOMPARE(q.buttons, MB::Yes | MB::No | MB::Cancel);
        QCOMPARE(h.askedKinds(), kinds);
        QCOMPARE(H::readFile(file) == (named ? "doc+edit" : "+edit"), saved);
        const QString text = h.editor().toPlainText();
        QCOMPARE(command == u"close" ? !h.form().isVisible()
                                     : text == (command == u"open" ? u"other"_qs : QString()),
                 goesOn);
        if (!goesOn) {
            QVERIFY(h.document().isModified());
        }
    }

    void openLoadsNamesAndClearsTheFlag() {
        H h;
        const QString file = h.path(u"lf.txt"_qs);
        H::writeFile(file, "one\ntwo\n\rthree");
        h.form().show();
        h.dialogs.answerFile(file);
        h.form().FileOpen();
        QCOMPARE(h.editor().toPlainText(), u"one\ntwo\n\nthree"_qs);
        QCOMPARE(h.document().lineCount(), 4);
        QCOMPARE(h.form().windowTitle(), u"lf.txt - Sealmill"_qs);
        QVERIFY(!h.document().isModified());
        QCOMPARE(h.form().focusWidget(), &h.editor());
        h.form().FileSave();
        QCOMPARE(H::readFile(file), QByteArray("one\r\ntwo\r\n\r\nthree"));
    }

    void dialogsRememberTheLastConfirmedChoice() {
        H h;
        const QString file = h.path(u"a.asc"_qs);
        H::writeFile(file, "a");
        h.dialogs.answerFile(file, true, u"ASCII file (*.asc)"_qs);
        h.form().FileOpen();
        h.dialogs.answerCancel();
        h.form().FileOpen();
        h.dialogs.answerCancel();
        h.form().FileSaveAs();

        const auto first = h.dialogs.asked.at(0).file;
        QVERIFY(first.selectedFilter.isEmpty());
        QVERIFY(first.showReadOnlyBox);
        QVERIFY(!first.readOnly);
        const auto second = h.dialogs.asked.at(1).file;
        QCOMPARE(second.fileName, file);
        QCOMPARE(second.selectedFilter, u"ASCII file (*.asc)"_qs);
        QVERIFY(second.readOnly);
        // The save dialog keeps its own memory.
        const auto save = h.dialogs.asked.at(2).file;
        QVERIFY(save.fileName.isEmpty());
        QVERIFY(!save.showReadOnlyBox);
    }

    void openingTheSameTextLeavesTheCaret() {
        H h;
        const QString file = h.path(u"same.txt"_qs);
        H::writeFile(file, "abc\r\ndef");
        h.type(u"abc\ndef"_qs);
        QTextCursor cursor = h.editor().textCursor();
        cursor.setPosition(2);
        h.editor().setTextCursor(cursor);
        h.dialogs.answerMessage(MB::No);
        h.dialogs.answerFile(file);
        h.form().FileOpen();
        QCOMPARE(h.editor().textCursor().position(), 2);
        QVERIFY(!h.document().isModified());
        QCOMPARE(h.form().currentFileName(), file);
    }

    void failuresLeaveTheDocumentAsItWas_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("failure");
        QTest::newRow("missing file")
            << u"open"_qs << u"missing.txt"_qs << u"Cannot open file %1."_qs;
        QTest::newRow("over capacity")
            << u"open"_qs << u"big.txt"_qs << u"Text exceeds memo capacity."_qs;
        QTest::newRow("no such directory")
            << u"save as"_qs << u"no/dir/x.txt"_qs << u"Cannot create file %1."_qs;
        QTest::newRow("disk full") << u"save as"_qs << u"/dev/full"_qs << u"Stream write error."_qs;
    }
    void failuresLeaveTheDocumentAsItWas() {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(QString, failure);
        H h;
        if (target.startsWith(u'/') && !QFileInfo::exists(target)) {
            QSKIP("no such device here");
        }
        const QString path = target.startsWith(u'/') ? target : h.path(target);
        H::writeFile(h.path(u"big.txt"_qs), QByteArray(11, 'x'));
        const QString doc = h.path(u"doc.txt"_qs);
        H::writeFile(doc, "0123456789");
        h.dialogs.answerFile(doc);
        h.form().FileOpen();
        h.document().setCapacity(10);
        h.type(u"!"_qs);
        h.dialogs.asked.clear();

        if (command == u"open") {
            h.dialogs.answerMessage(MB::No);
            h.dialogs.answerFile(path);
            h.dialogs.answerMessage(MB::Ok);
            h.form().FileOpen();
        } else {
            h.dialogs.answerFile(path);
            if (QFileInfo::exists(path)) {
                h.dialogs.answerMessage(MB::Yes);
            }
            h.dialogs.answerMessage(MB::Ok);
            h.form().FileSaveAs();
        }
        const auto& box = h.dialogs.asked.constLast().message;
        QCOMPARE(box.kind, MessageKind::Failure);
        QCOMPARE(box.text, failure.contains(u"%1") ? failure.arg(path) : failure);
        QCOMPARE(h.editor().toPlainText(), u"0123456789!"_qs);
        QCOMPARE(h.form().currentFileName(), doc);
        QCOMPARE(h.form().windowTitle(), u"doc.txt - Sealmill"_qs);
        QVERIFY(h.document().isModified());
        QCOMPARE(H::readFile(doc), QByteArray("0123456789"));
        QCOMPARE(h.dialogs.unexpected, 0);
    }

    void readOnlyBlocksTypingButNotCommands() {
        H h;
        const QString file = h.path(u"ro.txt"_qs);
        H::writeFile(file, "fixed");
        h.dialogs.answerFile(file, true);
        h.form().FileOpen();
        QVERIFY(h.editor().isReadOnly());
        QTest::keyClicks(&h.editor(), u"typed"_qs);
        h.editor().selectAll();
        h.form().EditCut();
        QCOMPARE(h.editor().toPlainText(), u"fixed"_qs);

        H::writeFile(file, "changed outside");
        h.form().FileSave();
        QCOMPARE(H::readFile(file), QByteArray("fixed"));

        h.form().FileNew();
        QVERIFY(h.editor().isReadOnly());
        QVERIFY(h.editor().toPlainText().isEmpty());
        h.dialogs.answerFile(file, false);
        h.form().FileOpen();
        QVERIFY(!h.editor().isReadOnly());
    }

    // Whatever the bytes, open then save gives them back.
    void openSaveRoundTripsBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 nbsp") << QByteArray(
            "a\xc2\xa0"
            "b\r\nc");
        QTest::newRow("Latin-1 nbsp") << QByteArray(
            "caf\xe9\xa0"
            "b\r\n");
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe\x80\r\n\xc3(");
        QTest::newRow("tabs and line separator") << QByteArray(
            "\ta\xe2\x80\xa8"
            "b\r\n");
        QTest::newRow("empty") << QByteArray();
    }
    void openSaveRoundTripsBytes() {
        QFETCH(QByteArray, bytes);
        H h;
        const QString file = h.path(u"bytes.txt"_qs);
        H::writeFile(file, bytes);
        h.dialogs.answerFile(file);
        h.form().FileOpen();
        h.form().FileSave();
        QCOMPARE(H::readFile(file), bytes);
        QCOMPARE(h.dialogs.unexpected, 0);
    }

    // The editor's line operations agree with the plain-text model.
    void editorLinesMatchTheModel_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one") << u"a"_qs;
        QTest::newRow("break only") << u"\n"_qs;
        QTest::newRow("final break") << u"a\nb\n"_qs;
        QTest::newRow("empty lines") << u"\n\nx\n\n"_qs;
    }
    void editorLinesMatchTheModel() {
        QFETCH(QString, text);
        H h;
        h.document().restoreText(text);
        QCOMPARE(h.document().text(), text);
        QCOMPARE(h.document().lineCount(), sealmill::lineCount(text));
        for (int i = -1; i <= h.document().lineCount() + 1; ++i) {
            QCOMPARE(h.document().line(i), sealmill::lineAt(text, i));
            QString expected = text;
            sealmill::replaceLineAt(expected, i, u"R"_qs);
            h.document().replaceLine(i, u"R"_qs);
            QCOMPARE(h.document().text(), expected);
            h.document().restoreText(text);
        }
    }
};

QTEST_MAIN(TestMainFormDocument)
#include "tst_mainform_document.moc"
