// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/sealmillerror.h"
#include "core/text/templatefile.h"
#include "filesizelimit.h"
#include "permissionbits.h"
#include "pressrig.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>
#include <atomic>
#include <functional>
#include <thread>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

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

    // Does `action` to the row's target in a folder of files that cannot be
    // read or written over, with a 4 KiB file size limit, and checks the
    // row's failure and that the folder stays as it was.
    static void refuses(const std::function<void(const QString&)>& action) {
        QFETCH(QString, target);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        const QString path = target.replace(u"%1"_s, dir.path());
        const QString ro = dir.filePath(u"ro"_s);
        writeFile(dir.filePath(u"big.txt"_s), QByteArray(11, 'x'));
        writeFile(dir.filePath(u"secret.txt"_s), "secret");
        writeFile(dir.filePath(u"bin.dat"_s), QByteArray("bin\0ary", 7));
        QVERIFY(QDir().mkdir(ro));
        writeFile(ro + u"/old.txt"_s, "old\r\n");
        const QByteArray fifo = QFile::encodeName(dir.filePath(u"fifo"_s));
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        // Whoever still waits on the FIFO after two seconds is let go, and fails.
        std::atomic<bool> done = false;
        std::atomic<bool> waited = false;
        const std::jthread release([&done, &waited, fifo] {
            for (int i = 0; i < 200 && !done; ++i) {
                QThread::msleep(10);
            }
            waited = !done;
            ::close(::open(fifo.constData(), O_RDWR | O_NONBLOCK));
        });
        QVERIFY(QFile::setPermissions(dir.filePath(u"secret.txt"_s), {}) &&
                QFile::setPermissions(ro, QFile::ReadOwner | QFile::ExeOwner));
        QString failed;
        {
            const PermissionBitsApply asUser;
            const FileSizeLimit full(4096);
            failed = failureOf([&] { action(path); });
        }
        QVERIFY(QFile::setPermissions(ro, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
                QFile::setPermissions(dir.filePath(u"secret.txt"_s), QFile::ReadOwner));
        done = true;
        QVERIFY(!waited);
        QCOMPARE(failed, failure.replace(u"%1"_s, dir.path()));
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
            QStringList({u"big.txt"_s, u"bin.dat"_s, u"fifo"_s, u"ro"_s, u"secret.txt"_s}));
        QCOMPARE(contents(dir.filePath(u"big.txt"_s)) + contents(ro + u"/old.txt"_s),
                 QByteArray(11, 'x') + "old\r\n");
        QCOMPARE(QDir(ro).entryList(QDir::Files | QDir::Hidden), QStringList{u"old.txt"_s});
    }

private Q_SLOTS:
    void decodesAndSaves_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char* name, const QByteArray& bytes, const QString& text,
                            const QByteArray& saved) {
            QTest::newRow(name) << bytes << text << saved;
        };
        row("LF CR is two breaks", "a\n\rb", u"a\n\nb"_s, "a\r\n\r\nb");
        row("breaks first, last, in a row", "\r\na\r\r\nb\r", u"\na\n\nb\n"_s,
            "\r\na\r\n\r\nb\r\n");
        row("invalid UTF-8", "\xff\xc3(\r\n", u"\u00ff\u00c3(\n"_s, "\xff\xc3(\r\n");
        row("UTF-8 cut at the end", "ab\xe2\x82", u"ab\u00e2\u201a"_s, "ab\xe2\x82");
        row("UTF-8", "gr\xc3\xbc\xc3\x9f", u"gr\u00fc\u00df"_s, "gr\xc3\xbc\xc3\x9f");
        row("Windows-1252 0x80-0x9F", "\x93\x80\x81\x9f\x94", u"\u201c\u20ac\u0081\u0178\u201d"_s,
            "\x93\x80\x81\x9f\x94");
        row("UTF-16LE", QByteArray("\xff\xfeH\0\r\0\n\0\r\0", 10), u"H\n\n"_s,
            QByteArray("\xff\xfeH\0\r\0\n\0\r\0\n\0", 12));
        row("UTF-16BE", QByteArray("\xfe\xff\0H\0\n", 6), u"H\n"_s,
            QByteArray("\xfe\xff\0H\0\r\0\n", 8));
        row("UTF-16 mark as text", "\xfe\xff\xfe\xff", u"\ufeff"_s, "\xfe\xff\xfe\xff");
    }
    void decodesAndSaves() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        const std::optional<TemplateFileText> decoded = decodeTemplateBytes(bytes);
        QVERIFY(decoded.has_value());
        QCOMPARE(decoded->text, text);
        QCOMPARE(encodeTemplateText(decoded->text, decoded->encoding), saved);
    }

    // A NUL byte outside UTF-16: not a text file.
    void bytesWithANulAreNoText() {
        QVERIFY(!decodeTemplateBytes(QByteArray("ab\0cd\r\n", 7)).has_value());
    }

    // What cannot be read is refused at once with its reason (a FIFO with
    // nobody at its other end is not waited for), and everything there
    // stays as it was.
    void refusedReads_data() {
        QTest::addColumn<QString>("target");  // %1: the folder
        QTest::addColumn<QString>("failure");
        QTest::newRow("missing") << u"%1/missing.txt"_s << u"Cannot open file %1/missing.txt"_s;
        QTest::newRow("directory") << u"%1/ro"_s << u"Cannot open file %1/ro"_s;
        QTest::newRow("FIFO") << u"%1/fifo"_s << u"Cannot open file %1/fifo"_s;
        QTest::newRow("unreadable") << u"%1/secret.txt"_s << u"Cannot open file %1/secret.txt"_s;
        QTest::newRow("binary") << u"%1/bin.dat"_s << u"%1/bin.dat is not a text file"_s;
        QTest::newRow("over capacity") << u"%1/big.txt"_s << u"Text exceeds memo capacity"_s;
    }
    void refusedReads() {
        refuses(
            [](const QString& path) { (void)readTemplateFile(path, FileKinds::RegularOnly, 10); });
    }

    // The same for what cannot be saved. The size fits in Qt's write
    // buffer: a save cut short once passed as whole.
    void refusedSaves_data() {
        QTest::addColumn<QString>("target");  // %1: the folder
        QTest::addColumn<QString>("failure");
        QTest::newRow("no directory") << u"%1/no/x.txt"_s << u"Cannot create file %1/no/x.txt"_s;
        QTest::newRow("device full") << u"/dev/full"_s << u"Stream write error"_s;
        QTest::newRow("disk full") << u"%1/big.txt"_s << u"Stream write error"_s;
        QTest::newRow("FIFO nobody reads") << u"%1/fifo"_s << u"Cannot create file %1/fifo"_s;
        QTest::newRow("new file, read-only directory")
            << u"%1/ro/new.txt"_s << u"Cannot create file %1/ro/new.txt"_s;
    }
    void refusedSaves() {
        refuses([](const QString& path) { writeTemplateFile(path, QByteArray(5000, 'n')); });
    }

    // A directory that takes no new file: a file there that may be written
    // is written in place.
    void savesInPlaceWhereNoFileCanBeMade() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"kept.txt"_s);
        writeTemplateFile(path, "old");
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        {
            const PermissionBitsApply asUser;
            writeTemplateFile(path, "new");
        }
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(readTemplateFile(path).text, u"new"_s);
    }
};

QTEST_GUILESS_MAIN(TestTemplateFile)
#include "tst_templatefile.moc"
