// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "signerlocation.h"

#include <QtTest>

#include <unistd.h>

class TestSignerLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pgppathWalk_data() {
        QTest::addColumn<QStringList>("environment");  // "<dir>": a temporary directory
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& environment, const QString& expected) {
            QTest::newRow(name) << environment.split(u' ') << expected;
        };
        row("found", u"PGPPATH=<dir>"_qs, u"<dir>/PGP.EXE"_qs);
        row("lower-case name", u"pgppath=<dir>/Keys"_qs, u"<dir>/Keys/PGP.EXE"_qs);
        row("earlier name match wins", u"OLDPGPPATH=<dir> PGPPATH=<dir>"_qs, u"/"_qs);
        row("match in a value", u"PATH=/opt/pgppath PGPPATH=<dir>"_qs, u"/"_qs);
        row("not a directory", u"PGPPATH=<dir>/file"_qs, u"/"_qs);
    }
    void pgppathWalk() {
        QFETCH(QStringList, environment);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"Keys"_qs) &&
                QFile(dir.filePath(u"file"_qs)).open(QIODevice::WriteOnly));
        environment.replaceInStrings(u"<dir>"_qs, dir.path());
        QCOMPARE(sealmill::signerPathFromEnvironment(environment),
                 expected.replace(u"<dir>"_qs, dir.path()));
    }

    void defaultOutput_data() {
        QTest::addColumn<QString>("made");  // folders made in a temporary home; "-": read-only
        QTest::addColumn<QString>("expected");
        QTest::newRow("writable program folder") << u"bin Documents"_qs << u"bin"_qs;
        QTest::newRow("program folder gone") << u"Documents"_qs << u"Documents"_qs;
        QTest::newRow("no documents folder") << u""_qs << u""_qs;
        QTest::newRow("read-only program folder") << u"-bin Documents"_qs << u"Documents"_qs;
    }
    void defaultOutput() {
        QFETCH(QString, made);
        QFETCH(QString, expected);
        if (made.contains(u'-') && ::geteuid() == 0) {
            QSKIP("root may write into any folder");
        }
        QTemporaryDir home;
        for (QString folder : made.split(u' ', Qt::SkipEmptyParts)) {
            const bool readOnly = folder.startsWith(u'-');
            folder.remove(u'-');
            QVERIFY(QDir(home.path()).mkdir(folder));
            QVERIFY(!readOnly || QFile::setPermissions(home.filePath(folder),
                                                       QFile::ReadOwner | QFile::ExeOwner));
        }
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_qs).toLocal8Bit());
        QCOMPARE(sealmill::defaultOutputDirectory(home.filePath(u"bin"_qs)),
                 QDir::cleanPath(home.filePath(expected)));
    }
};

QTEST_GUILESS_MAIN(TestSignerLocation)
#include "tst_signerlocation.moc"
