#include "filesizelimit.h"
#include "sealmillerror.h"
#include "templatefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace sealmill;

static QString failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SealmillError& e) {
        return e.message();
    }
    return {};
}

class TestTemplateFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodesAndSaves_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& text,
                            const QByteArray& saved) {
            QTest::newRow(name) << bytes << text << saved;
        };
        row("empty", {}, {}, {});
        row("LF", "a\nb\n", u"a\nb\n"_qs, "a\r\nb\r\n");
        row("LF CR is two breaks", "a\n\rb", u"a\n\nb"_qs, "a\r\n\r\nb");
        row("lone CR", "a\rb", u"a\nb"_qs, "a\r\nb");
        row("breaks first, last, in a row", "\r\na\r\r\nb\r", u"\na\n\nb\n"_qs,
            "\r\na\r\n\r\nb\r\n");
        row("cut at NUL", QByteArray("ab\0cd\r\n", 7), u"ab"_qs, "ab");
        row("no final break", "one\r\ntwo", u"one\ntwo"_qs, "one\r\ntwo");
        row("invalid UTF-8", "\xff\xc3(\r\n", u"\u00ff\u00c3(\n"_qs, "\xff\xc3(\r\n");
        row("UTF-8", "gr\xc3\xbc\xc3\x9f", u"gr\u00fc\u00df"_qs, "gr\xc3\xbc\xc3\x9f");
        row("Latin-1 nbsp", "a\xa0z\r\n", u"a\u00a0z\n"_qs, "a\xa0z\r\n");
        row("UTF-8 nbsp", "a\xc2\xa0z\r\n", u"a\u00a0z\n"_qs, "a\xc2\xa0z\r\n");
    }
    void decodesAndSaves() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        const TemplateFileText decoded = decodeTemplateBytes(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(encodeTemplateText(decoded.text, decoded.encoding), saved);
    }

    void failedSaveLeavesOldFileIntact() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"keep.txt"_qs);
        writeTemplateFile(path, "old text\r\n");
        QString failure, privateFailure;
        {
            const FileSizeLimit full(4096);
            // Just over the limit but within Qt's write buffer: once saved as cut short.
            failure = failureOf([&] { writeTemplateFile(path, QByteArray(5000, 'n')); });
            privateFailure = failureOf([&] {
                writeTemplateFile(dir.filePath(u"work.tmp"_qs), QByteArray(5000, 'n'),
                                  FileAccess::OwnerOnly);
            });
        }
        QCOMPARE(failure, u"Stream write error"_qs);
        QCOMPARE(privateFailure, u"Stream write error"_qs);
        QCOMPARE(readTemplateFile(path).text, u"old text\n"_qs);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"keep.txt"_qs});
    }
};

QTEST_GUILESS_MAIN(TestTemplateFile)
#include "tst_templatefile.moc"
