#include "memorytemplate.h"
#include "sealmillerror.h"
#include "templatelines.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace sealmill;

class TestTemplateLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("one line") << u"abc"_qs << 1;
        QTest::newRow("one line with break") << u"abc\n"_qs << 1;
        QTest::newRow("single break") << u"\n"_qs << 1;
        QTest::newRow("two breaks") << u"\n\n"_qs << 2;
        QTest::newRow("two lines") << u"a\nb"_qs << 2;
        QTest::newRow("empty line between") << u"a\n\nb\n"_qs << 3;
    }
    void countsLines() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QCOMPARE(lineCount(text), count);
        QCOMPARE(MemoryTemplate(text).lineCount(), count);
    }

    // Lines are read whole, however long; out of range reads as empty.
    void readsLines() {
        const QString longLine = QString(5000, u'x') + kPlaceholder;
        const MemoryTemplate doc(u"first\n\n"_qs + longLine + u'\n');
        const QStringList expected{u"first"_qs, {}, longLine, {}, {}, {}};
        for (int i = -1; i < 5; ++i) {
            QCOMPARE(doc.line(i), expected.at((i + 6) % 6));
        }
    }

    void replacesLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("result");
        QTest::newRow("first") << u"a@SERIAL@\nb\n"_qs << 0 << u"X\nb\n"_qs;
        QTest::newRow("last without break") << u"a\nb"_qs << 1 << u"a\nX"_qs;
        QTest::newRow("empty line") << u"a\n\nc"_qs << 1 << u"a\nX\nc"_qs;
        QTest::newRow("past the end") << u"a\nb\n"_qs << 2 << u"a\nb\n"_qs;
        QTest::newRow("far past the end") << u"a"_qs << 7 << u"a"_qs;
        QTest::newRow("negative") << u"a"_qs << -1 << u"a"_qs;
        QTest::newRow("empty text") << QString() << 0 << QString();
    }
    void replacesLines() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, result);
        MemoryTemplate doc(text);
        doc.replaceLine(index, u"X"_qs);
        QCOMPARE(doc.text(), result);
    }

    void findsThePlaceholder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("middle of a line") << u"No. @SERIAL@ of ten"_qs << true;
        QTest::newRow("last of many")
            << QString(u"line\n"_qs.repeated(500) + u"@SERIAL@"_qs) << true;
        QTest::newRow("lower case") << u"@serial@"_qs << false;
        QTest::newRow("split by a break") << u"@SER\nIAL@"_qs << false;
        QTest::newRow("incomplete") << u"@SERIAL"_qs << false;
    }
    void findsThePlaceholder() {
        QFETCH(QString, text);
        QFETCH(bool, found);
        QCOMPARE(MemoryTemplate(text).containsPlaceholder(), found);
        QCOMPARE(containsPlaceholder(text), found);
    }

    // Loading keeps the file's encoding for the save; a failed load keeps the text.
    void savesAndLoadsWithTheFileFormat() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"doc.txt"_qs);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("caf\xe9\nline two");
        f.close();
        MemoryTemplate doc;
        doc.loadFromFile(path);
        QCOMPARE(doc.encoding(), TextEncoding::Latin1);
        QCOMPARE(doc.lineCount(), 2);
        doc.saveToFile(path, FileAccess::Shared);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("caf\xe9\r\nline two"));
        QVERIFY_THROWS_EXCEPTION(SealmillError, doc.loadFromFile(dir.filePath(u"none"_qs)));
        QCOMPARE(doc.text(), u"caf\u00e9\nline two"_qs);
    }
};

QTEST_GUILESS_MAIN(TestTemplateLines)
#include "tst_templatelines.moc"
