#include "encodingquestion.h"
#include "fifofeeder.h"
#include "mainformharness.h"
#include "permissionbits.h"

#include <QScopeGuard>

using MB = MessageButton;
using H = MainFormHarness;

class TestMainFormDocument : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Save of an untitled document goes through Save As; the caption follows the name.
    void saveOfUntitledAndCaptions() {
        H h;
        QCOMPARE(h.form().windowTitle(), u"Sealmill"_qs);
        h.form().FileNew();
        QCOMPARE(h.form().windowTitle(), u"Untitled - Sealmill"_qs);
        h.editor().insertPlainText(u"text"_qs);
        h.dialogs.answerCancel();
        h.form().FileSave();
        QVERIFY(h.form().editorTemplate().isModified() && QDir(h.dir.path()).isEmpty());
        const QString file = h.dir.filePath(u"100%1 off.txt"_qs);
        h.dialogs.answerFile(file);
        h.form().FileSave();
        QCOMPARE(h.form().windowTitle(), u"100%1 off.txt - Sealmill"_qs);
        h.editor().insertPlainText(u"\nmore"_qs);
        h.form().FileSave();  // named now: asks nothing
        QCOMPARE(H::readFile(file), QByteArray("text\r\nmore"));
        QCOMPARE(h.askedKinds(), u"save,save"_qs);
    }

    void saveAsAsksBeforeOverwriting() {
        for (const MB answer : {MB::Yes, MB::No, MB::Cancel}) {
            H h;
            const QString file = h.dir.filePath(u"old.txt"_qs);
            H::writeFile(file, "old");
            h.editor().insertPlainText(u"new"_qs);
            h.dialogs.answerFile(file);
            h.dialogs.answerMessage(answer);
            h.form().FileSaveAs();
            QCOMPARE(h.dialogs.messageTexts(), QStringList{u"OK to overwrite "_qs + file});
            QCOMPARE(H::readFile(file), answer == MB::Yes ? QByteArray("new") : QByteArray("old"));
            QCOMPARE(h.form().currentFileName(), answer == MB::Yes ? file : u"Untitled"_qs);
        }
    }

    // A character Windows-1252 lacks: Save offers UTF-8 and writes only after Yes.
    void unstorableCharacterAsksForUtf8() {
        for (const MB answer : {MB::Yes, MB::No, MB::Cancel}) {
            H h;
            const QString file = h.dir.filePath(u"quotes.txt"_qs);
            H::writeFile(file, "\x93ok\x94");
            h.dialogs.answerFile(file);
            h.form().FileOpen();
            h.editor().insertPlainText(u"\u2603"_qs);
            h.dialogs.answerMessage(answer);
            h.form().FileSave();
            QCOMPARE(H::readFile(file), answer == MB::Yes
                                            ? QByteArray("\xe2\x98\x83\xe2\x80\x9cok\xe2\x80\x9d")
                                            : QByteArray("\x93ok\x94"));
            QCOMPARE(h.dialogs.messageTexts(), QStringList{kSaveAsUtf8Question});
            QCOMPARE(h.form().editorTemplate().isModified(), answer != MB::Yes);
        }
    }

    // Open, New and close guard unsaved changes alike, and stop after a save that did not happen.
    void unsavedChangesQuestion_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<MessageButton>("answer");
        QTest::addColumn<QString>("saveAs");  // "-": named, not asked
        QTest::addColumn<QString>("kinds");
        for (const QString& cmd : {u"open"_qs, u"new"_qs, u"close"_qs}) {
            const QString then = cmd == u"open" ? u",open"_qs : QString();
            const auto row = [&](const char* name, MB answer, const char* saveAs, QString kinds) {
                QTest::addRow("%s %s", qPrintable(cmd), name) << cmd << answer << saveAs << kinds;
            };
            row("cancel", MB::Cancel, "-", u"message"_qs);
            row("no", MB::No, "-", u"message"_qs + then);
            row("yes, named", MB::Yes, "-", u"message"_qs + then);
            row("yes, untitled", MB::Yes, "file", u"message,save"_qs + then);
            row("yes, save as cancelled", MB::Yes, "cancel", u"message,save"_qs);
        }
    }
    void unsavedChangesQuestion() {
        QFETCH(QString, command);
        QFETCH(MessageButton, answer);
        QFETCH(QString, saveAs);
        QFETCH(QString, kinds);
        H h;
        const QString file = h.dir.filePath(u"doc.txt"_qs);
        if (saveAs == u"-") {
            H::writeFile(file, "doc");
            h.dialogs.answerFile(file);
            h.form().FileOpen();
            h.dialogs.asked.clear();
        }
        h.form().show();
        h.editor().insertPlainText(u"+"_qs);
        h.dialogs.answerMessage(answer);
        saveAs == u"file" ? h.dialogs.answerFile(file) : h.dialogs.answerCancel();
        command == u"open" ? h.form().FileOpen()
                           : (command == u"new" ? h.form().FileNew() : void(h.form().close()));
        QCOMPARE(h.dialogs.messageTexts().first(),
                 u"Save changes to %1?"_qs.arg(saveAs == u"-" ? file : u"Untitled"_qs));
        QCOMPARE(h.dialogs.asked.first().message.buttons, MB::Yes | MB::No | MB::Cancel);
        QCOMPARE(h.askedKinds(), kinds);
        QCOMPARE(H::readFile(file).contains('+'), answer == MB::Yes && saveAs != u"cancel");
        const bool goesOn = answer != MB::Cancel && saveAs != u"cancel";
        QCOMPARE(h.form().isVisible() && !h.editor().toPlainText().isEmpty(),
                 !goesOn || command == u"open");
        QVERIFY(goesOn || h.form().editorTemplate().isModified());
    }

    void failuresLeaveTheDocumentAsItWas_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("failure");
        QTest::newRow("open missing") << u"missing.txt"_qs << u"Cannot open file %1."_qs;
        QTest::newRow("open too big") << u"big.txt"_qs << u"Text exceeds memo capacity."_qs;
        QTest::newRow("save no directory") << u"no/x.txt"_qs << u"Cannot create file %1."_qs;
        QTest::newRow("save disk full") << u"/dev/full"_qs << u"Stream write error."_qs;
        QTest::newRow("open directory") << u"ro"_qs << u"Cannot open file %1."_qs;
        QTest::newRow("open FIFO") << u"fifo"_qs << u"Cannot open file %1."_qs;
        QTest::newRow("open unreadable") << u"secret.txt"_qs << u"Cannot open file %1."_qs;
        QTest::newRow("save FIFO nobody reads") << u"fifo"_qs << u"Cannot create file %1."_qs;
        QTest::newRow("save new file, read-only directory")
            << u"ro/new.txt"_qs << u"Cannot create file %1."_qs;
        QTest::newRow("open binary") << u"bin.dat"_qs << u"%1 is not a text file."_qs;
    }
    void failuresLeaveTheDocumentAsItWas() {
        QFETCH(QString, target);
        QFETCH(QString, failure);
        const bool open = QByteArray(QTest::currentDataTag()).startsWith("open");
        H h;
        const QString path = target.startsWith(u'/') ? target : h.dir.filePath(target);
        H::writeFile(h.dir.filePath(u"big.txt"_qs), QByteArray(11, 'x'));
        H::writeFile(h.dir.filePath(u"secret.txt"_qs), "secret");
        H::writeFile(h.dir.filePath(u"bin.dat"_qs), QByteArray("bin\0ary", 7));
        QVERIFY(QFile::setPermissions(h.dir.filePath(u"secret.txt"_qs), {}));
        const QString ro = h.dir.filePath(u"ro"_qs);
        QVERIFY(QDir().mkdir(ro));
        H::writeFile(ro + u"/old.txt"_qs, "old\r\n");
        QVERIFY(QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner));
        const auto writable = qScopeGuard([&] {
            QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        const FifoFeeder fifo(h.dir.filePath(u"fifo"_qs), "fed");  // instead of a hang
        const PermissionBitsApply asUser;
        h.form().editorTemplate().setCapacity(10);
        h.editor().insertPlainText(u"kept"_qs);
        open ? h.dialogs.answerMessage(MB::No) : h.dialogs.answerFile(path);   // save changes?
        open ? h.dialogs.answerFile(path) : h.dialogs.answerMessage(MB::Yes);  // overwrite?
        h.dialogs.answerMessage(MB::Ok);
        open ? h.form().FileOpen() : h.form().FileSaveAs();
        QCOMPARE(h.dialogs.messageTexts().last(), failure.replace(u"%1"_qs, path));
        QCOMPARE(h.editor().toPlainText() + h.form().currentFileName(), u"keptUntitled"_qs);
        QVERIFY(h.form().editorTemplate().isModified());
        QCOMPARE(H::readFile(ro + u"/old.txt"_qs), QByteArray("old\r\n"));
        QCOMPARE(QDir(ro).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{u"old.txt"_qs});
    }

    // Read-only blocks typing and Undo, not Save; New keeps it, the next Open decides.
    void readOnlyAndBytesThroughTheForm() {
        H h;
        const QString file = h.dir.filePath(u"ro.txt"_qs);
        H::writeFile(file, "caf\xe9\240\nfixed");
        h.dialogs.answerFile(file, false);
        h.form().FileOpen();
        h.editor().insertPlainText(u"\u20ac"_qs);
        h.form().FileSave();
        h.dialogs.answerFile(file, true);
        h.form().FileOpen();  // the same text: the editor keeps its history
        QTest::keyClicks(&h.editor(), u"typed"_qs);
        h.form().EditUndo();
        h.form().FileSave();
        QCOMPARE(H::readFile(file), QByteArray("\x80"
                                               "caf\xe9\240\r\nfixed"));
        h.form().FileNew();
        QVERIFY(h.editor().isReadOnly());
        h.dialogs.answerFile(file, false);
        h.form().FileOpen();
        QVERIFY(!h.editor().isReadOnly());
    }
};

QTEST_MAIN(TestMainFormDocument)
#include "tst_mainform_document.moc"
