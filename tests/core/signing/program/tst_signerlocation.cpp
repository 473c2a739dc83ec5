// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/program/signerlocation.h"

#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TestSignerLocation)
#include "tst_signerlocation.moc"
