#include "filesizelimit.h"
#include "permissionbits.h"
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
        row("empty", "", u""_qs, "");
        row("LF", "a\nb\n", u"a\nb\n"_qs, "a\r\nb\r\n");
        row("LF CR is two breaks", "a\n\rb", u"a\n\nb"_qs, "a\r\n\r\nb");
        row("lone CR", "a\rb", u"a\nb"_qs, "a\r\nb");
        row("breaks first, last, in a row", "\r\na\r\r\nb\r", u"\na\n\nb\n"_qs,
            "\r\na\r\n\r\nb\r\n");
        row("NUL: no text", QByteArray("ab\0cd\r\n", 7), {}, {});
        row("no final break", "one\r\ntwo", u"one\ntwo"_qs, "one\r\ntwo");
        row("invalid UTF-8", "\xff\xc3(\r\n", u"\u00ff\u00c3(\n"_qs, "\xff\xc3(\r\n");
        row("UTF-8", "gr\xc3\xbc\xc3\x9f", u"gr\u00fc\u00df"_qs, "gr\xc3\xbc\xc3\x9f");
        row("Windows-1252 nbsp", "a\xa0z\r\n", u"a\u00a0z\n"_qs, "a\xa0z\r\n");
        row("Windows-1252 0x80-0x9F", "\x93\x80\x81\x9f\x94", u"\u201c\u20ac\u0081\u0178\u201d"_qs,
            "\x93\x80\x81\x9f\x94");
        row("UTF-16LE", QByteArray("\xff\xfeH\0\r\0\n\0\r\0", 10), u"H\n\n"_qs,
            QByteArray("\xff\xfeH\0\r\0\n\0\r\0\n\0", 12));
        row("UTF-16BE", QByteArray("\xfe\xff\0H\0\n", 6), u"H\n"_qs,
            QByteArray("\xfe\xff\0H\0\r\0\n", 8));
        row("UTF-16 mark as text", "\xfe\xff\xfe\xff", u"\ufeff"_qs, "\xfe\xff\xfe\xff");
        row("UTF-8 nbsp", "a\xc2\xa0z\r\n", u"a\u00a0z\n"_qs, "a\xc2\xa0z\r\n");
    }
    void decodesAndSaves() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        const std::optional<TemplateFileText> decoded = decodeTemplateBytes(bytes);
        QCOMPARE(decoded.has_value(), !text.isNull());
        if (decoded) {
            QCOMPARE(decoded->text, text);
            QCOMPARE(encodeTemplateText(decoded->text, decoded->encoding), saved);
        }
    }

    void failedSaveLeavesOldFileIntact() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"keep.txt"_qs);
        writeTemplateFile(path, "old text\r\n");
        QString failure;
        {
            const FileSizeLimit full(4096);
            // Just over the limit but within Qt's write buffer: once saved as cut short.
            failure = failureOf([&] { writeTemplateFile(path, QByteArray(5000, 'n')); });
        }
        QCOMPARE(failure, u"Stream write error"_qs);
        QCOMPARE(readTemplateFile(path).text, u"old text\n"_qs);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"keep.txt"_qs});
    }

    // A directory that takes no new file: a file there that may be written
    // is written in place.
    void savesInPlaceWhereNoFileCanBeMade() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"kept.txt"_qs);
        writeTemplateFile(path, "old");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        {
            const PermissionBitsApply asUser;
            writeTemplateFile(path, "new");
        }
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(readTemplateFile(path).text, u"new"_qs);
    }
};

QTEST_GUILESS_MAIN(TestTemplateFile)
#include "tst_templatefile.moc"
