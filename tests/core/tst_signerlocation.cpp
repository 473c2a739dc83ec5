#include "signerlocation.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestSignerLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pgppathWalk_data() {
        QTest::addColumn<QStringList>("environment");  // "<dir>": a temporary directory
        QTest::addColumn<QString>("expected");
        QTest::newRow("found") << QStringList{u"PGPPATH=<dir>"_qs} << u"<dir>/PGP.EXE"_qs;
        QTest::newRow("end /") << QStringList{u"PGPPATH=<dir>/"_qs} << u"<dir>//PGP.EXE"_qs;
        QTest::newRow("lower-case name")
            << QStringList{u"pgppath=<dir>/Keys"_qs} << u"<dir>/Keys/PGP.EXE"_qs;
        QTest::newRow("earlier name match wins")
            << QStringList{u"OLDPGPPATH=<dir>"_qs, u"PGPPATH=<dir>"_qs} << u"/"_qs;
        QTest::newRow("match in a value")
            << QStringList{u"PATH=/opt/pgppath"_qs, u"PGPPATH=<dir>"_qs} << u"/"_qs;
        QTest::newRow("none") << QStringList{u"HOME=/r"_qs} << u"/"_qs;
        QTest::newRow("not a directory") << QStringList{u"PGPPATH=<dir>/file"_qs} << u"/"_qs;
        QTest::newRow("empty value") << QStringList{u"PGPPATH="_qs} << u"/"_qs;
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
