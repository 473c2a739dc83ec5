#include "appwindows.h"
#include "editortemplate.h"
#include "fakedialogs.h"
#include "mainform.h"
#include "memorytemplate.h"
#include "pressfakes.h"
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

using namespace Qt::StringLiterals;

const QString kTemplate = u"Offer @SERIAL@\nplain\nref @SERIAL@ @SERIAL@\n"_s;
const QString kDone = u"The Sealmill has run!"_s;

// Counts the times a widget is painted.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class TestPressRunEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Runs 5..9 with the stand-in signer; each run also gets a second Run click, to be ignored.
    void run_data() {
        QTest::addColumn<QByteArray>("signer");  // FAKESIGNER_ settings, ';'-separated
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("existing");  // an output already there; -1: the snapshot is taken
        QTest::addColumn<int>("calls");
        QTest::addColumn<QString>("message");  // %1: the existing output or the snapshot
        QTest::newRow("5..9") << QByteArray() << true << 0 << 5 << kDone;
        QTest::newRow("cancel during signer")
            << QByteArray("SLEEP_MS=600") << true << 0 << 1 << QString();
        QTest::newRow("output 7 exists")
            << QByteArray() << true << 7 << 2 << u"%1 already exists!\rOverwrite not supported"_s;
        QTest::newRow("signer exit 11 on 6")
            << QByteArray("FAIL_AT=2;EXIT=11;PRINT=gpg: no such key") << false << 0 << 2
            << u"Error 11 occured:\rNONEXIST_KEY_ERROR"_s;
        // Someone puts a directory where the template is reloaded from, after the first number.
        QTest::newRow("snapshot taken")
            << QByteArray() << true << -1 << 1 << u"Cannot open file %1."_s;
    }
    void run() {
        QFETCH(QByteArray, signer);
        QFETCH(bool, modified);
        QFETCH(int, existing);
        QFETCH(QString, message);
        QTemporaryDir dir(u"/tmp/sm-XXXXXX"_s);  // short: the directory field has a length limit
        const QString counter = dir.filePath(u"count"_s);
        const FakeSignerSettings settings("COUNTER=" + counter.toLocal8Bit() + ';' + signer);
        const auto output = [&](int n) { return dir.filePath(u"Sealmilled-file-%1.txt"_s.arg(n)); };
        const auto calls = [&] {
            QFile file(counter);
            return file.open(QIODevice::ReadOnly) ? file.readAll().toInt() : 0;
        };
        const QString obstacle =
            existing < 0 ? dir.filePath(u"SealmillTemplate.tmp"_s) : output(existing);
        QVERIFY(existing <= 0 || QFile(output(existing)).open(QIODevice::WriteOnly));
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        TPressRun& press = windows.PressRun();
        QTextDocument& doc = *windows.MainForm().editor()->document();
        doc.setPlainText(kTemplate);
        doc.setModified(modified);
        windows.MainForm().PressRun1Click();
        press.PGPdir()->setText(QStringLiteral(SEALMILL_FAKE_SIGNER));
        press.RUNdir()->setText(dir.path());
        QList<int> positions;
        QList<int> paintsAt;  // paints of the bar and the status line before each new figure
        PaintCounter painted;
        press.ProgressBar()->installEventFilter(&painted);
        press.StatusBar()->installEventFilter(&painted);
        QObject::connect(press.ProgressBar(), &QProgressBar::valueChanged, [&](int value) {
            positions << value;
            paintsAt << painted.paints;
        });
        int callsAtCancel = 1;
        QTimer::singleShot(0, &press, [&] {
            QTest::mouseClick(press.Run(), Qt::LeftButton);
            if (existing < 0) {
                QFile::remove(obstacle);
                QDir().mkdir(obstacle);
            }
        });
        QTimer::singleShot(signer.contains("SLEEP_MS=6") ? 50 : 60000, &press, [&] {
            callsAtCancel = calls();
            QTest::mouseClick(press.CancelBtn(), Qt::LeftButton);
        });

        QTest::mouseClick(press.Run(), Qt::LeftButton);

        QCOMPARE(callsAtCancel, 1);  // a Cancel click is handled once the signer has ended
        QTEST(calls(), "calls");
        QFile five(output(5));
        QVERIFY(five.open(QIODevice::ReadOnly) &&
                five.readAll().contains("Offer 5\r\nplain\r\nref 5 @SERIAL@\r\n"));
        QCOMPARE(dialogs.messageTexts(),
                 message.isEmpty() ? QStringList() : QStringList{message.arg(obstacle)});
        const MessageRequest box = dialogs.asked.value(0).message;
        QCOMPARE(box.kind == MessageKind::Error || box.kind == MessageKind::Failure,
                 press.isVisible());
        QCOMPARE(box.details.contains(u"gpg: no such key"_s), signer.contains("PRINT=gpg"));
        QCOMPARE(press.isVisible(), !message.isEmpty() && message != kDone);
        QCOMPARE(windows.MainForm().isVisible(), !press.isVisible());
        QCOMPARE(windows.MainForm().editorTemplate().text(), kTemplate);
        QCOMPARE(doc.isModified(), modified);
        QVERIFY(message != kDone || positions == (QList<int>{20, 40, 60, 80, 100, 0}));
        for (qsizetype i = 1; message == kDone && i < paintsAt.size(); ++i) {  // each figure shown
            QVERIFY2(paintsAt.at(i) >= paintsAt.at(i - 1) + 2, qPrintable(QString::number(i)));
        }
        QVERIFY(doc.isUndoRedoEnabled() && !doc.isUndoAvailable());  // run edits are not undone
    }

    void restoreByLinesEqualsWholeLoad_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("line differs") << u"a 7\nb\nc 7\n"_s << u"a @SERIAL@\nb\nc @SERIAL@\n"_s;
        QTest::newRow("last break gone") << u"a\nb\n"_s << u"a\nb"_s;
        QTest::newRow("carriage return") << u"a\nb\n"_s << u"a\rx\nb\n"_s;
        QTest::newRow("first and last, no final break")
            << u"1 x\nsame\nsame\ny 1"_s << u"@SERIAL@ x\nsame\nsame\ny @SERIAL@"_s;
        QTest::newRow("line added at the end") << u"a\nb"_s << u"a\nb\nc"_s;
    }
    void restoreByLinesEqualsWholeLoad() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QPlainTextEdit editor(before);
        QPlainTextEdit whole(after);
        EditorTemplate document(editor);
        document.restoreText(after);
        QCOMPARE(document.text(), EditorTemplate(whole).text());
        QCOMPARE(editor.document()->toRawText(), whole.document()->toRawText());
        QVERIFY(!editor.document()->isUndoAvailable());
    }

    // The editor's own search for placeholder lines, and the text it keeps at
    // hand, agree with the plain line-by-line reading, also after typing.
    void findsLinesAndFollowsTyping_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << u"a\nb"_s;
        QTest::newRow("first and last") << u"@SERIAL@\nx\ny @SERIAL@"_s;
        QTest::newRow("two in a line, then empty lines") << u"@SERIAL@ @SERIAL@\n\n\n@SERIAL@\n"_s;
    }
    void findsLinesAndFollowsTyping() {
        QFETCH(QString, text);
        QPlainTextEdit editor(text);
        EditorTemplate document(editor);
        QCOMPARE(document.text(), text);
        QCOMPARE(document.linesHolding(sealmill::kPlaceholder),
                 sealmill::MemoryTemplate(text).linesHolding(sealmill::kPlaceholder));
        QTest::keyClicks(&editor, u"@SERIAL@"_s);
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(document.text(), u"@SERIAL@\n"_s + text);
        QCOMPARE(document.linesHolding(sealmill::kPlaceholder),
                 sealmill::MemoryTemplate(document.text()).linesHolding(sealmill::kPlaceholder));
    }
};

QTEST_MAIN(TestPressRunEngine)
#include "tst_pressrun_engine.moc"
