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
    // Decoding, and what saving the decoded text writes back.
    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("empty") << QByteArray() << QString() << true << QByteArray();
        QTest::newRow("LF only") << QByteArray("a\nb\n") << u"a\nb\n"_qs << true
                                 << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb") << u"a\nb"_qs << true
                                 << QByteArray("a\r\nb");
        QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb\n\r") << u"a\n\nb\n\n"_qs << true
                                             << QByteArray("a\r\n\r\nb\r\n\r\n");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << u"a\n\nb"_qs << true
                                  << QByteArray("a\r\n\r\nb");
        QTest::newRow("cut at NUL")
            << QByteArray("ab\0cd\r\n", 7) << u"ab"_qs << true << QByteArray("ab");
        QTest::newRow("NUL first") << QByteArray("\0ab", 3) << QString() << true << QByteArray();
        QTest::newRow("UTF-8") << QByteArray("gr\xc3\xbc\xc3\x9f") << u"gr\u00fc\u00df"_qs << true
                               << QByteArray("gr\xc3\xbc\xc3\x9f");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9\n") << u"caf\u00e9\n"_qs << false
                                 << QByteArray("caf\xe9\r\n");
        QTest::newRow("truncated UTF-8 at end")
            << QByteArray("a\xc3") << u"a\u00c3"_qs << false << QByteArray("a\xc3");
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, saved);
        const TemplateFileText decoded = decodeTemplateBytes(bytes);
        QCOMPARE(decoded.text, text);
        QCOMPARE(decoded.encoding == TextEncoding::Utf8, utf8);
        QCOMPARE(encodeTemplateText(decoded.text, decoded.encoding), saved);
    }

    // Whatever the bytes, a file whose breaks are CR LF saves back unchanged.
    void roundTripsByteForByte_data() {
        QTest::addColumn<QByteArray>("bytes");
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

    void latin1DocumentKeepsCharactersItCannotHold() {
        const QByteArray bytes = encodeTemplateText(u"\u00e9\u20ac"_qs, TextEncoding::Latin1);
        QCOMPARE(bytes, QByteArray("\xe9\xe2\x82\xac"));
    }

    // Long lines come back whole; owner-only files are private.
    void writesAndReadsFiles() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.txt"_qs);
        const QByteArray line = QByteArray(10000, 'x') + "@SERIAL@";
        writeTemplateFile(path, line + "\r\nend");
        QCOMPARE(readAll(path), line + "\r\nend");
        QCOMPARE(readTemplateFile(path).text, QString::fromLatin1(line + "\nend"));
        writeTemplateFile(path, {});
        QCOMPARE(QFileInfo(path).size(), 0);
        QCOMPARE(readTemplateFile(path).text, QString());
        const QString secret = dir.filePath(u"private.tmp"_qs);
        writeTemplateFile(secret, "secret", FileAccess::OwnerOnly);
        QCOMPARE(QFile::permissions(secret) & ~(QFile::ReadUser | QFile::WriteUser),
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
