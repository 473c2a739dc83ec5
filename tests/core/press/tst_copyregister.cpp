// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The register of issued copies: what it writes, how it appends, what it reads back.
#include "core/press/copyregister.h"
#include "core/sealmillerror.h"

#include <QtTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kHash = QByteArray(64, 'a');

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestCopyRegister : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A new register gets its header; names with commas, quotes and line
    // breaks are quoted as RFC 4180 has it, and read back the same.
    void writesAndReadsBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"issued.csv"_s);
        {
            CopyRegister issued(path);
            issued.record({{7, u"a,b \"7\".txt"_s, kHash, u"FPR"_s, u"2026-01-02T03:04:05Z"_s},
                           {8, u"two\nlines"_s, kHash, u"FPR"_s, u"t"_s}});
        }
        QCOMPARE(contents(path),
                 "number,file,sha256,fingerprint,time_utc\r\n"
                 "7,\"a,b \"\"7\"\".txt\"," +
                     kHash + ",FPR,2026-01-02T03:04:05Z\r\n8,\"two\nlines\"," + kHash +
                     ",FPR,t\r\n");
        const RegisterReading reading = readRegister(path);
        QCOMPARE(reading.brokenLines, QList<qsizetype>());
        QCOMPARE(reading.entries.size(), 2);
        QCOMPARE(reading.entries.value(7).file, u"a,b \"7\".txt"_s);
        QCOMPARE(reading.entries.value(8).file, u"two\nlines"_s);
        QCOMPARE(reading.entries.value(8).sha256, kHash);
    }

    // What is there stays byte for byte; a last line without its break gets one.
    void appendsWithoutRewriting_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray header = "number,file,sha256,fingerprint,time_utc\r\n";
        const QByteArray one = "1,f1," + kHash + ",F,t";
        const QByteArray two = "2,f2," + kHash + ",F,t\r\n";
        QTest::newRow("ends with its break") << header + one + "\n" << header + one + "\n" + two;
        QTest::newRow("last line unended") << header + one << header + one + "\r\n" + two;
    }

    void appendsWithoutRewriting() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"issued.csv"_s);
        writeFile(path, before);
        CopyRegister issued(path);
        issued.record({{2, u"f2"_s, kHash, u"F"_s, u"t"_s}});
        QCOMPARE(contents(path), after);
    }

    void findsBrokenLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<qsizetype>>("broken");
        QTest::addColumn<int>("entries");
        const QByteArray header = "number,file,sha256,fingerprint,time_utc\r\n";
        const QByteArray good = "1,f," + kHash + ",F,t\r\n";
        QTest::newRow("good") << header + good << QList<qsizetype>{} << 1;
        QTest::newRow("no number") << header + good + "x,f," + kHash + ",F,t\r\n"
                                   << QList<qsizetype>{3} << 1;
        QTest::newRow("short hash") << header + "1,f,abc,F,t\r\n" << QList<qsizetype>{2} << 0;
        QTest::newRow("four fields") << header + "1,f," + kHash + ",F\r\n"
                                     << QList<qsizetype>{2} << 0;
        QTest::newRow("number twice") << header + good + good << QList<qsizetype>{3} << 1;
        QTest::newRow("quote left open") << header + good + "2,\"f," + kHash + ",F,t\r\n"
                                         << QList<qsizetype>{3} << 1;
    }

    void findsBrokenLines() {
        QFETCH(QByteArray, text);
        QFETCH(QList<qsizetype>, broken);
        QFETCH(int, entries);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"issued.csv"_s);
        writeFile(path, text);
        const RegisterReading reading = readRegister(path);
        QCOMPARE(reading.brokenLines, broken);
        QCOMPARE(reading.entries.size(), entries);
    }

    void aFolderIsNoRegister() {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(SealmillError, CopyRegister issued(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestCopyRegister)
#include "tst_copyregister.moc"
