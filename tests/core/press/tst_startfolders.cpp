// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/startfolders.h"

#include <QtTest>

#include <unistd.h>

class TestStartFolders : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultOutput_data() {
        QTest::addColumn<QString>("made");  // folders made in a temporary home; "-": read-only
        QTest::addColumn<bool>("programInHome");  // else in a writable folder outside the home
        QTest::addColumn<QString>("expected");
        QTest::newRow("writable program folder") << u"bin Documents"_qs << true << u"bin"_qs;
        QTest::newRow("program folder gone") << u"Documents"_qs << true << u"Documents"_qs;
        QTest::newRow("no documents folder") << u""_qs << true << u""_qs;
        QTest::newRow("read-only program folder")
            << u"-bin Documents"_qs << true << u"Documents"_qs;
        QTest::newRow("program outside the home") << u"Documents"_qs << false << u"Documents"_qs;
        QTest::newRow("outside, no documents folder") << u""_qs << false << u""_qs;
    }
    void defaultOutput() {
        QFETCH(QString, made);
        QFETCH(bool, programInHome);
        QFETCH(QString, expected);
        if (made.contains(u'-') && ::geteuid() == 0) {
            QSKIP("root may write into any folder");
        }
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        for (QString folder : made.split(u' ', Qt::SkipEmptyParts)) {
            const bool readOnly = folder.startsWith(u'-');
            folder.remove(u'-');
            QVERIFY(QDir(home.path()).mkdir(folder));
            QVERIFY(!readOnly || QFile::setPermissions(home.filePath(folder),
                                                       QFile::ReadOwner | QFile::ExeOwner));
        }
        qputenv("HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_qs).toLocal8Bit());
        QCOMPARE(sealmill::defaultOutputDirectory(programInHome ? home.filePath(u"bin"_qs)
                                                                : elsewhere.path()),
                 QDir::cleanPath(home.filePath(expected)));
    }
};

QTEST_GUILESS_MAIN(TestStartFolders)
#include "tst_startfolders.moc"
