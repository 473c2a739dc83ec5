#include "memorytemplate.h"

#include <QTest>

using namespace sealmill;

class TestTemplateLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsAndReplaces_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("replaced");
        QTest::newRow("empty") << QString() << 0 << 0 << QString();
        QTest::newRow("one break") << u"\n"_qs << 1 << 0 << u"X\n"_qs;
        QTest::newRow("no final break") << u"a\nb"_qs << 2 << 1 << u"a\nX"_qs;
        QTest::newRow("empty line") << u"a\n\nb\n"_qs << 3 << 1 << u"a\nX\nb\n"_qs;
        QTest::newRow("past the end") << u"a\nb\n"_qs << 2 << 2 << u"a\nb\n"_qs;
        QTest::newRow("negative") << u"a"_qs << 1 << -1 << u"a"_qs;
    }
    void countsAndReplaces() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(QString, replaced);
        MemoryTemplate doc(text);
        QCOMPARE(doc.lineCount(), count);
        doc.replaceLine(index, u"X"_qs);
        QCOMPARE(doc.text(), replaced);
    }

    void findsThePlaceholderWithinOneLine() {
        QVERIFY(MemoryTemplate(u"a\nNo. @SERIAL@ of ten"_qs).containsPlaceholder());
        QVERIFY(!MemoryTemplate(u"@serial@ @SER\nIAL@ @SERIAL"_qs).containsPlaceholder());
    }
};

QTEST_GUILESS_MAIN(TestTemplateLines)
#include "tst_templatelines.moc"
