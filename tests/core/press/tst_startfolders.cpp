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
        QTest::addColumn<QStringList>("folders");   // made in a temporary home
        QTest::addColumn<QStringList>("readOnly");  // of those
        QTest::addColumn<bool>("programInHome");    // else in a writable folder outside the home
        QTest::addColumn<QString>("expected");
        const QStringList both{u"bin"_qs, u"Documents"_qs};
        const QStringList documents{u"Documents"_qs};
        QTest::newRow("writable program folder") << both << QStringList() << true << u"bin"_qs;
        QTest::newRow("program folder gone")
            << documents << QStringList() << true << u"Documents"_qs;
        QTest::newRow("no documents folder") << QStringList() << QStringList() << true << u""_qs;
        QTest::newRow("read-only program folder")
            << both << QStringList{u"bin"_qs} << true << u"Documents"_qs;
        QTest::newRow("program outside the home")
            << documents << QStringList() << false << u"Documents"_qs;
        QTest::newRow("outside, no documents folder")
            << QStringList() << QStringList() << false << u""_qs;
    }
    void defaultOutput() {
        QFETCH(QStringList, folders);
        QFETCH(QStringList, readOnly);
        QFETCH(bool, programInHome);
        QFETCH(QString, expected);
        if (!readOnly.isEmpty() && ::geteuid() == 0) {
            QSKIP("root may write into any folder");
        }
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        for (const QString& folder : folders) {
            QVERIFY(QDir(home.path()).mkdir(folder));
        }
        for (const QString& folder : readOnly) {
            QVERIFY(
                QFile::setPermissions(home.filePath(folder), QFile::ReadOwner | QFile::ExeOwner));
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
