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

        const QString pgp = QStringLiteral("/PGP.EXE");
        QTest::newRow("found") << QStringList{QStringLiteral("HOME=/root"),
                                              QStringLiteral("PGPPATH=<dir>")}
                               << QStringLiteral("<dir>") + pgp;
        QTest::newRow("final separator doubled")
            << QStringList{QStringLiteral("PGPPATH=<dir>/")} << QStringLiteral("<dir>/") + pgp;
        QTest::newRow("lower-case name keeps the value's case")
            << QStringList{QStringLiteral("pgppath=<dir>/Keys")}
            << QStringLiteral("<dir>/Keys") + pgp;
        QTest::newRow("earlier entry containing the name wins")
            << QStringList{QStringLiteral("OLDPGPPATH=<dir>"), QStringLiteral("PGPPATH=<dir>")}
            << QStringLiteral("/");
        QTest::newRow("match in a value")
            << QStringList{QStringLiteral("PATH=/usr/bin:/opt/pgppath"),
                           QStringLiteral("PGPPATH=<dir>")}
            << QStringLiteral("/");
        QTest::newRow("no entry") << QStringList{QStringLiteral("HOME=/root")}
                                  << QStringLiteral("/");
        QTest::newRow("empty block") << QStringList{} << QStringLiteral("/");
        QTest::newRow("not a directory")
            << QStringList{QStringLiteral("PGPPATH=<dir>/file")} << QStringLiteral("/");
        QTest::newRow("empty value")
            << QStringList{QStringLiteral("PGPPATH=")} << QStringLiteral("/");
    }
    void pgppathWalk() {
#ifdef Q_OS_WIN
        QSKIP("POSIX paths");
#endif
        QFETCH(QStringList, environment);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Keys")));
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (QString& entry : environment) {
            entry.replace(QStringLiteral("<dir>"), dir.path());
        }
        expected.replace(QStringLiteral("<dir>"), dir.path());
        QCOMPARE(signerPathFromEnvironment(environment), expected);
    }

    void processBlockKeepsEntries() {
        qputenv("SEALMILL_PROBE", "a=b");
        QVERIFY(sealmill::processEnvironmentBlock().contains(QStringLiteral("SEALMILL_PROBE=a=b")));
        qunsetenv("SEALMILL_PROBE");
    }

    void programDirectoryRule_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
#ifdef Q_OS_WIN
        QTest::newRow("root") << QStringLiteral("C:\\APP.EXE") << QStringLiteral("C:\\");
        QTest::newRow("subdirectory")
            << QStringLiteral("C:\\TOOLS\\APP.EXE") << QStringLiteral("C:\\TOOLS");
#else
        QTest::newRow("root") << QStringLiteral("/sealmill") << QStringLiteral("/");
        QTest::newRow("subdirectory")
            << QStringLiteral("/opt/x/sealmill") << QStringLiteral("/opt/x");
        QTest::newRow("doubled separator kept")
            << QStringLiteral("/opt//sealmill") << QStringLiteral("/opt//");
        QTest::newRow("no directory part") << QStringLiteral("sealmill") << QString();
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
