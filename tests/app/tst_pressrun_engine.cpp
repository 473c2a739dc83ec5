// The press run window driving real runs: the signer stand-in started as a
// process, the main window's editor as the document, scripted dialogs.
#include "appwindows.h"
#include "editortemplate.h"
#include "fakedialogs.h"
#include "mainform.h"
#include "pressrun.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kTemplate = QStringLiteral("Offer @SERIAL@\nplain\nref @SERIAL@ @SERIAL@\n");
const QString kSucceeded = QStringLiteral("The Sealmill has run!");
const char* const kSignerVariables[] = {"FAKESIGNER_LOG",      "FAKESIGNER_EXIT",
                                        "FAKESIGNER_FAIL_AT",  "FAKESIGNER_COUNTER",
                                        "FAKESIGNER_SLEEP_MS", "FAKESIGNER_PRINT"};

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// One program with the press run window open on kTemplate, the stand-in as
// signer and a fresh output directory (short: the directory text has a limit).
struct Rig {
    QTemporaryDir dir{QStringLiteral("/tmp/sm-XXXXXX")};
    FakeDialogs dialogs;
    AppWindows windows{dialogs};
    QList<int> positions;
    QStringList statuses;

    explicit Rig(bool modified = false) {
        qputenv("FAKESIGNER_LOG", log().toLocal8Bit());
        qputenv("FAKESIGNER_COUNTER", dir.filePath(QStringLiteral("count")).toLocal8Bit());
        QDir().mkdir(out());
        editor().setPlainText(kTemplate);
        document().setModified(modified);
        form().PressRun1Click();
        press().PGPdir()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press().RUNdir()->setText(out());
        QObject::connect(press().ProgressBar(), &QProgressBar::valueChanged,
                         [this](int value) { positions << value; });
        QObject::connect(press().StatusBar(), &QStatusBar::messageChanged,
                         [this](const QString& text) {
                             if (text.endsWith(QStringLiteral(" processed"))) {
                                 statuses << text;
                             }
                         });
    }
    ~Rig() {
        for (const char* name : kSignerVariables) {
            qunsetenv(name);
        }
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;
    Rig(Rig&&) = delete;
    Rig& operator=(Rig&&) = delete;

    TMainForm& form() { return windows.MainForm(); }
    TPressRun& press() { return windows.PressRun(); }
    QPlainTextEdit& editor() { return *form().editor(); }
    EditorTemplate& document() { return form().editorTemplate(); }
    QString out() const { return dir.filePath(QStringLiteral("out")); }
    QString log() const { return dir.filePath(QStringLiteral("signer.log")); }
    QString output(int n) const { return out() + QStringLiteral("/Sealmilled-file-%1.txt").arg(n); }
    int signerCalls() const { return static_cast<int>(linesOf(log()).size()); }
    void run() { QTest::mouseClick(press().Run(), Qt::LeftButton); }

    // The numbers whose output file exists, e.g. "5,6".
    QString pressed() const {
        QStringList numbers;
        for (int n = 5; n <= 9; ++n) {
            if (QFile::exists(output(n))) {
                numbers << QString::number(n);
            }
        }
        return numbers.join(u',');
    }

    // Idle, the template back in the editor, no temporary file left.
    void verifyAfterRun() {
        QCOMPARE(press().ProgressBar()->value(), 0);
        QCOMPARE(press().StatusBar()->currentMessage(), TPressRun::kIdleStatus);
        QCOMPARE(press().CancelBtn()->text(), QStringLiteral("&Close"));
        QCOMPARE(press().Tag(), 0);
        QCOMPARE(press().isRunning(), false);
        QCOMPARE(document().text(), kTemplate);
        QCOMPARE(QDir(out()).entryList({QStringLiteral("*.tmp")}, QDir::Files), QStringList());
    }
};

}  // namespace

class TestPressRunEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressesEveryNumber_data() {
        QTest::addColumn<bool>("modified");
        QTest::newRow("unmodified document") << false;
        QTest::newRow("modified document") << true;
    }
    void pressesEveryNumber() {
        QFETCH(bool, modified);
        Rig rig(modified);
        rig.editor().moveCursor(QTextCursor::End);
        rig.editor().insertPlainText(QStringLiteral("typed"));  // something to undo
        rig.editor().undo();
        rig.document().setModified(modified);

        rig.run();

        QCOMPARE(rig.positions, (QList<int>{20, 40, 60, 80, 100, 0}));
        QCOMPARE(rig.statuses,
                 (QStringList{u"1 of 5 processed"_s, u"2 of 5 processed"_s, u"3 of 5 processed"_s,
                              u"4 of 5 processed"_s, u"5 of 5 processed"_s}));
        QCOMPARE(rig.pressed(), QStringLiteral("5,6,7,8,9"));
        QFile seven(rig.output(7));
        QVERIFY(seven.open(QIODevice::ReadOnly));
        QVERIFY(seven.readAll().contains("Offer 7\r\nplain\r\nref 7 @SERIAL@\r\n"));
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{kSucceeded});
        QCOMPARE(rig.dialogs.asked.first().message.kind, MessageKind::Information);
        QVERIFY(rig.press().isHidden());
        QVERIFY(rig.form().isVisible());
        rig.verifyAfterRun();
        QCOMPARE(rig.document().isModified(), modified);
        // Undo may not bring back a substituted text.
        QTextDocument& doc = *rig.editor().document();
        QVERIFY(doc.isUndoRedoEnabled());
        for (int step = 0; step < 20 && doc.isUndoAvailable(); ++step) {
            doc.undo();
            QVERIFY2(!doc.toPlainText().contains(QStringLiteral("Offer ")) ||
                         doc.toPlainText().contains(QStringLiteral("Offer @SERIAL@")),
                     qPrintable(doc.toPlainText()));
        }
    }

    // Input waits for the round between two numbers: the running signer
    // finishes and its number counts, then the run stops without a success box.
    void cancelDuringSigner_data() {
        QTest::addColumn<bool>("nextExists");
        QTest::newRow("next output free") << false;
        QTest::newRow("next output exists") << true;
    }
    void cancelDuringSigner() {
        QFETCH(bool, nextExists);
        Rig rig;
        if (nextExists) {
            QFile next(rig.output(6));
            QVERIFY(next.open(QIODevice::WriteOnly));
        }
        qputenv("FAKESIGNER_SLEEP_MS", "600");
        QList<int> seenAtClick;
        int callsAtClick = -1;
        QTimer::singleShot(50, &rig.press(), [&] {
            seenAtClick = rig.positions;
            callsAtClick = rig.signerCalls();
            QTest::mouseClick(rig.press().CancelBtn(), Qt::LeftButton);
        });

        rig.run();

        QCOMPARE(callsAtClick, 1);
        QCOMPARE(seenAtClick, QList<int>{20});
        QCOMPARE(rig.signerCalls(), 1);
        QVERIFY(rig.press().isHidden());
        QVERIFY(rig.form().isVisible());
        const QStringList expected =
            nextExists ? QStringList{rig.output(6) + u" already exists!\rOverwrite not supported"_s}
                       : QStringList{};
        QCOMPARE(rig.dialogs.messageTexts(), expected);
        rig.verifyAfterRun();
    }

    void secondRunClickIsIgnored() {
        Rig rig;
        QTimer::singleShot(0, &rig.press(), [&] { rig.run(); });

        rig.run();

        QCOMPARE(rig.signerCalls(), 5);
        QCOMPARE(rig.positions, (QList<int>{20, 40, 60, 80, 100, 0}));
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{kSucceeded});
        rig.verifyAfterRun();
    }

    void stopsAtFailure_data() {
        QTest::addColumn<int>("existing");
        QTest::addColumn<QByteArray>("failAt");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<int>("calls");
        QTest::newRow("first output exists") << 5 << QByteArray() << u"5"_s << u"5"_s << 0;
        QTest::newRow("later output exists") << 7 << QByteArray() << u"7"_s << u"5,6,7"_s << 2;
        QTest::newRow("signer ends with 11")
            << 0 << QByteArray("2") << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s << u"5,6"_s << 2;
    }
    void stopsAtFailure() {
        QFETCH(int, existing);
        QFETCH(QByteArray, failAt);
        QFETCH(QString, text);
        QFETCH(QString, pressed);
        QFETCH(int, calls);
        Rig rig;
        if (existing != 0) {
            QFile file(rig.output(existing));
            QVERIFY(file.open(QIODevice::WriteOnly));
            text = rig.output(existing) + u" already exists!\rOverwrite not supported"_s;
        }
        if (!failAt.isEmpty()) {
            qputenv("FAKESIGNER_FAIL_AT", failAt);
            qputenv("FAKESIGNER_EXIT", "11");
            qputenv("FAKESIGNER_PRINT", "gpg: no such key\n");
        }

        rig.run();

        QCOMPARE(rig.dialogs.messageTexts(), QStringList{text});
        const MessageRequest& box = rig.dialogs.asked.first().message;
        QCOMPARE(box.kind, MessageKind::Error);
        QCOMPARE(box.buttons, MessageButtons(MessageButton::Ok));
        QCOMPARE(box.details.contains(QStringLiteral("gpg: no such key")), !failAt.isEmpty());
        QCOMPARE(rig.pressed(), pressed);
        QCOMPARE(rig.signerCalls(), calls);
        QVERIFY(rig.press().isVisible());
        QVERIFY(rig.form().isHidden());
        rig.verifyAfterRun();
    }

    // PGPdir is read for every number: a change made between two numbers
    // takes effect at the next one.
    void signerChangedBetweenNumbers() {
        Rig rig;
        const QString second = rig.dir.filePath(QStringLiteral("second.sh"));
        const QString secondLog = rig.dir.filePath(QStringLiteral("second.log"));
        QFile script(second);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\necho \"$6\" >> '%1'\nexec '%2' \"$@\"\n")
                         .arg(secondLog, QStringLiteral(SEALMILL_FAKE_SIGNER))
                         .toLocal8Bit());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QObject::connect(rig.press().ProgressBar(), &QProgressBar::valueChanged, &rig.press(),
                         [&](int value) {
                             if (value == 20) {
                                 QTimer::singleShot(0, &rig.press(),
                                                    [&] { rig.press().PGPdir()->setText(second); });
                             }
                         });

        rig.run();

        QCOMPARE(rig.signerCalls(), 5);
        QCOMPARE(linesOf(secondLog),
                 (QStringList{rig.output(6), rig.output(7), rig.output(8), rig.output(9)}));
        QCOMPARE(rig.dialogs.messageTexts(), QStringList{kSucceeded});
    }

    // Putting a text back line by line must end exactly as loading it whole.
    void restoredTextMatchesWholeLoad_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("one line differs") << u"a 7\nb\nc 7\n"_s << u"a @SERIAL@\nb\nc @SERIAL@\n"_s;
        QTest::newRow("line count differs") << u"a\nb\n"_s << u"a\nb\nc\n"_s;
        QTest::newRow("last break gone") << u"a\nb\n"_s << u"a\nb"_s;
        QTest::newRow("carriage return") << u"a\nb\n"_s << u"a\rx\nb\n"_s;
        QTest::newRow("no-break space, empty lines") << u"\n\nx\n"_s << u"\n\u00a0y\n\n"_s;
        QTest::newRow("same text") << u"a\nb\n"_s << u"a\nb\n"_s;
    }
    void restoredTextMatchesWholeLoad() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QPlainTextEdit editor;
        editor.setPlainText(before);
        editor.moveCursor(QTextCursor::End);
        editor.document()->setModified(true);
        EditorTemplate document(editor);
        QPlainTextEdit whole;
        whole.setPlainText(after);

        document.restoreText(after);

        QCOMPARE(document.text(), EditorTemplate(whole).text());
        QCOMPARE(document.text().size(), after.size());
        const bool same = before == after;
        QCOMPARE(document.isModified(), same);
        QCOMPARE(editor.textCursor().position(), same ? before.size() : 0);
        QVERIFY(editor.document()->isUndoRedoEnabled());
        if (!same) {
            QVERIFY(!editor.document()->isUndoAvailable());
        }
    }
};

QTEST_MAIN(TestPressRunEngine)
#include "tst_pressrun_engine.moc"
