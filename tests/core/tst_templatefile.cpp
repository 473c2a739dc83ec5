#include "sealmillerror.h"
#include "templatefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>

#include <csignal>
#endif

using namespace sealmill;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString failureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SealmillError& e) {
        return e.message();
    }
    return {};
}

}  // namespace

class TestTemplateFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("empty") << QByteArray() << QString() << true;
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << u"a\nb\n"_qs << true;
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\nb\n"_qs << true;
        QTest::newRow("lone CR") << QByteArray("a\rb") << u"a\nb"_qs << true;
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb\n\r") << u"a\n\nb\n\n"_qs << true;
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << u"a\n\nb"_qs << true;
        QTest::newRow("no final break") << QByteArray("a\r\nb") << u"a\nb"_qs << true;
        QTest::newRow("cut at NUL") << QByteArray("ab\0cd\r\n", 7) << u"ab"_qs << true;
        QTest::newRow("NUL first") << QByteArray("\0ab", 3) << QString() << true;
        QTest::newRow("UTF-8") << QByteArray("gr\xc3\xbc\xc3\x9f") << u"gr\u00fc\u00df"_qs << true;
        QTest::newRow("BOM kept") << QByteArray("\xef\xbb\xbfx") << u"\ufeffx"_qs << true;
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\r\n") << u"caf\u00e9\n"_qs << false;
        QTest::newRow("truncated UTF-8 at end") << QByteArray("a\xc3") << u"a\u00c3"_qs << false;
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, utf8);
        const TemplateFileText decoded = decodeTemplateBytes(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.encoding == TextEncoding::Utf8, utf8);
    }

    // Whatever the bytes, a file whose breaks are CR LF saves back unchanged.
    void roundTripsByteForByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("plain") << QByteArray("one\r\ntwo\r\n");
        QTest::newRow("no final break") << QByteArray("one\r\ntwo");
        QTest::newRow("invalid UTF-8") << QByteArray("\xff\xfe\x80 x\r\n\xc3(\r\n");
        QTest::newRow("Latin-1 nbsp") << QByteArray(
            "a\xa0"
            "b\r\n");
        QTest::newRow("UTF-8 nbsp") << QByteArray(
            "a\xc2\xa0"
            "b\r\n");
        QTest::newRow("BOM") << QByteArray("\xef\xbb\xbfhello\r\n");
        QTest::newRow("overlong UTF-8") << QByteArray("\xc0\xaf\r\n");
        QTest::newRow("all high bytes") << [] {
            QByteArray all;
            for (int b = 1; b < 256; ++b) {
                if (b != '\r' && b != '\n') {
                    all.append(static_cast<char>(b));
                }
            }
            return all;
        }();
    }
    void roundTripsByteForByte() {
        QFETCH(QByteArray, bytes);
        const TemplateFileText decoded = decodeTemplateBytes(bytes);
        QCOMPARE(encodeTemplateText(decoded.text, decoded.encoding), bytes);
    }

    void lfOnlyFileIsSavedWithCrLf() {
        const TemplateFileText decoded = decodeTemplateBytes("a\nb");
        QCOMPARE(encodeTemplateText(decoded.text, decoded.encoding), QByteArray("a\r\nb"));
    }

    void latin1DocumentKeepsCharactersItCannotHold() {
        const QByteArray bytes = encodeTemplateText(u"\u00e9\u20ac"_qs, TextEncoding::Latin1);
        QCOMPARE(bytes, QByteArray("\xe9\xe2\x82\xac"));
    }

    void writesAndReadsFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.txt"_qs);
        writeTemplateFile(path, "x\r\ny");
        QCOMPARE(readAll(path), QByteArray("x\r\ny"));
        writeTemplateFile(path, {});
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(readTemplateFile(path).text, QString());
    }

    void readsLongLinesWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"long.txt"_qs);
        const QByteArray line = QByteArray(10000, 'x') + "@SERIAL@";
        writeRaw(path, line + "\r\nend");
        QCOMPARE(readTemplateFile(path).text, QString::fromLatin1(line + "\nend"));
    }

    void ownerOnlyFilesArePrivate() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"private.tmp"_qs);
        writeTemplateFile(path, "secret", FileAccess::OwnerOnly);
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
    }

    void failureTexts() {
        QTemporaryDir dir;
        const QString missing = dir.filePath(u"missing.txt"_qs);
        QCOMPARE(failureOf([&] { (void)readTemplateFile(missing); }),
                 u"Cannot open file "_qs + missing);
        QCOMPARE(failureOf([&] { (void)readTemplateFile(dir.path()); }),
                 u"Cannot open file "_qs + dir.path());
        const QString noDir = dir.filePath(u"no/such/dir/t.txt"_qs);
        QCOMPARE(failureOf([&] { writeTemplateFile(noDir, "x"); }),
                 u"Cannot create file "_qs + noDir);
        QCOMPARE(failureOf([&] { writeTemplateFile(dir.path(), "x"); }),
                 u"Cannot create file "_qs + dir.path());
    }

#ifdef Q_OS_UNIX
    void writeToFullDeviceIsAStreamError() {
        if (!QFileInfo::exists(u"/dev/full"_qs)) {
            QSKIP("no /dev/full");
        }
        QCOMPARE(failureOf([] { writeTemplateFile(u"/dev/full"_qs, QByteArray(100000, 'x')); }),
                 u"Stream write error"_qs);
        // Written in place: the device is still a device.
        QVERIFY(!QFileInfo(u"/dev/full"_qs).isFile());
    }

    // The disk fills up half way: the old file must survive whole.
    void failedWriteLeavesOldFileIntact() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"keep.txt"_qs);
        writeRaw(path, "old text\r\n");
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString failure =
            failureOf([&] { writeTemplateFile(path, QByteArray(200000, 'n')); });
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(failure, u"Stream write error"_qs);
        QCOMPARE(readAll(path), QByteArray("old text\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"keep.txt"_qs});
    }
#endif
};

QTEST_GUILESS_MAIN(TestTemplateFile)
#include "tst_templatefile.moc"
