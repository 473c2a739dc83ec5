#include "signerlocation.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using sealmill::programDirectory;
using sealmill::signerPathFromEnvironment;

class TestSignerLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pgppathWalk_data() {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("expected");  // "<dir>" stands for the temporary directory

        const QString pgp = u"/PGP.EXE"_qs;
        QTest::newRow("found") << QStringList{u"HOME=/root"_qs, u"PGPPATH=<dir>"_qs}
                               << u"<dir>"_qs + pgp;
        QTest::newRow("final separator doubled")
            << QStringList{u"PGPPATH=<dir>/"_qs} << u"<dir>/"_qs + pgp;
        QTest::newRow("lower-case name keeps the value's case")
            << QStringList{u"pgppath=<dir>/Keys"_qs} << u"<dir>/Keys"_qs + pgp;
        QTest::newRow("earlier entry containing the name wins")
            << QStringList{u"OLDPGPPATH=<dir>"_qs, u"PGPPATH=<dir>"_qs} << u"/"_qs;
        QTest::newRow("match in a value")
            << QStringList{u"PATH=/usr/bin:/opt/pgppath"_qs, u"PGPPATH=<dir>"_qs} << u"/"_qs;
        QTest::newRow("no entry") << QStringList{u"HOME=/root"_qs} << u"/"_qs;
        QTest::newRow("empty block") << QStringList{} << u"/"_qs;
        QTest::newRow("not a directory") << QStringList{u"PGPPATH=<dir>/file"_qs} << u"/"_qs;
        QTest::newRow("empty value") << QStringList{u"PGPPATH="_qs} << u"/"_qs;
    }
    void pgppathWalk() {
#ifdef Q_OS_WIN
        QSKIP("POSIX paths");
#endif
        QFETCH(QStringList, environment);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"Keys"_qs));
        QFile file(dir.filePath(u"file"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (QString& entry : environment) {
            entry.replace(u"<dir>"_qs, dir.path());
        }
        expected.replace(u"<dir>"_qs, dir.path());
        QCOMPARE(signerPathFromEnvironment(environment), expected);
    }

    void processBlockKeepsEntries() {
        qputenv("SEALMILL_PROBE", "a=b");
        QVERIFY(sealmill::processEnvironmentBlock().contains(u"SEALMILL_PROBE=a=b"_qs));
        qunsetenv("SEALMILL_PROBE");
    }

    void programDirectoryRule_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
        QTest::newRow("root") << u"C:\\APP.EXE"_qs << u"C:\\"_qs;
        QTest::newRow("subdirectory") << u"C:\\TOOLS\\APP.EXE"_qs << u"C:\\TOOLS"_qs;
#else
        QTest::newRow("root") << u"/sealmill"_qs << u"/"_qs;
        QTest::newRow("subdirectory") << u"/opt/x/sealmill"_qs << u"/opt/x"_qs;
        QTest::newRow("doubled separator kept") << u"/opt//sealmill"_qs << u"/opt//"_qs;
        QTest::newRow("no directory part") << u"sealmill"_qs << QString();
#endif
    }
    void programDirectoryRule() {
        QFETCH(QString, program);
        QFETCH(QString, expected);
        QCOMPARE(programDirectory(program), expected);
    }
};

QTEST_GUILESS_MAIN(TestSignerLocation)
#include "tst_signerlocation.moc"
