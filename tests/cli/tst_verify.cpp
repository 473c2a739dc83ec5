// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// sealmill-press --verify through the real executable: where the key comes
// from, what it prints and its exit status.
#include "gnupghome.h"

#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run sealmillPress(const QStringList& arguments) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(SEALMILL_PRESS), arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestVerify : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GnupgHome> home_;
    QTemporaryDir dir_;

private Q_SLOTS:
    // Numbers 1 to 3 pressed with the built-in signer from a key file.
    void initTestCase() {
        home_ = std::make_unique<GnupgHome>();
        QVERIFY2(home_->isReady(), qPrintable(home_->error()));
        QDir::setCurrent(dir_.path());
        writeFile(u"offer.txt"_s, "Offer No. @SERIAL@\r\n- dashed\r\n");
        writeFile(u"pass.txt"_s, GnupgHome::passPhrase().toUtf8());
        writeFile(u"key.asc"_s, home_->exportedSecretKey(home_->fingerprint(), true));
        writeFile(u"public.gpg"_s, home_->exportedPublicKey(home_->fingerprint()));
        QVERIFY(QDir().mkdir(u"out"_s));
        const Run pressed =
            sealmillPress({u"--template"_s, u"offer.txt"_s, u"--from"_s, u"1"_s, u"--to"_s, u"3"_s,
                           u"--key-file"_s, u"key.asc"_s, u"--passphrase-file"_s, u"pass.txt"_s,
                           u"--output"_s, u"out"_s, u"--quiet"_s});
        QCOMPARE(pressed.status, 0);
        // And 1 and 2 again, by another key (its pass phrase is "fuzz").
        writeFile(u"fuzz.txt"_s, "fuzz");
        QVERIFY(QDir().mkdir(u"other"_s));
        const Run byAnother = sealmillPress(
            {u"--template"_s, u"offer.txt"_s, u"--from"_s, u"1"_s, u"--to"_s, u"2"_s,
             u"--key-file"_s, QStringLiteral(SEALMILL_OTHER_KEY), u"--passphrase-file"_s,
             u"fuzz.txt"_s, u"--output"_s, u"other"_s, u"--quiet"_s});
        QCOMPARE(byAnother.status, 0);
    }

    void cleanupTestCase() {
        QDir::setCurrent(QDir::tempPath());
        home_.reset();
    }

    void verify_data() {
        QTest::addColumn<QStringList>("more");  // after the template and the output folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        const QString allGood =
            u"3 numbers checked: 3 good, 0 with problems; 0 stray files; "
            "key Sealmill Test <test@example.invalid>\n"_s;
        QTest::newRow("public key file")
            << QStringList{u"--from"_s,       u"1"_s,         u"--to"_s, u"3"_s,
                           u"--public-key"_s, u"public.gpg"_s}
            << 0 << allGood << QString();
        QTest::newRow("key id in the keyring")
            << QStringList{u"--from"_s, u"1"_s,     u"--to"_s,
                           u"3"_s,      u"--key"_s, u"test@example.invalid"_s}
            << 0 << allGood << QString();
        QTest::newRow("the run's key file, no pass phrase")
            << QStringList{u"--from"_s, u"1"_s, u"--to"_s, u"3"_s, u"--key-file"_s, u"key.asc"_s}
            << 0 << allGood << QString();
        QTest::newRow("quiet: problems only")
            << QStringList{u"--from"_s,     u"1"_s,       u"--to"_s,   u"4"_s,
                           u"--key-file"_s, u"key.asc"_s, u"--quiet"_s}
            << 1 << u"4 out/Sealmilled-file-4.txt: missing\n"_s << QString();
        // RNP logs each foreign signature on stderr; none of it reaches ours.
        QTest::newRow("signed by another key")
            << QStringList{u"--from"_s,     u"1"_s,       u"--to"_s,     u"2"_s,
                           u"--key-file"_s, u"key.asc"_s, u"--output"_s, u"other"_s}
            << 1
            << u"1 other/Sealmilled-file-1.txt: signed by another key (key id A383B110C0A64C9C)\n"
               "2 other/Sealmilled-file-2.txt: signed by another key (key id A383B110C0A64C9C)\n"
               "2 numbers checked: 0 good, 2 with problems; 0 stray files; "
               "key Sealmill Test <test@example.invalid>\n"_s
            << QString();
        QTest::newRow("no key file")
            << QStringList{u"--from"_s, u"1"_s, u"--to"_s, u"3"_s, u"--public-key"_s, u"none.gpg"_s}
            << 7 << QString() << u"sealmill-press: Cannot read key file none.gpg\n"_s;
        QTest::newRow("no such key in the keyring")
            << QStringList{u"--from"_s, u"1"_s,     u"--to"_s,
                           u"3"_s,      u"--key"_s, u"nobody@example.invalid"_s}
            << 7 << QString()
            << u"sealmill-press: No key matches \"nobody@example.invalid\" in the GnuPG "
               "keyring %1\n"_s.arg(qEnvironmentVariable("GNUPGHOME"));
        QTest::newRow("no folder")
            << QStringList{u"--from"_s,     u"1"_s,       u"--to"_s,     u"3"_s,
                           u"--key-file"_s, u"key.asc"_s, u"--output"_s, u"gone"_s}
            << 7 << QString()
            << u"sealmill-press: Cannot read the folder gone/: No such file or directory\n"_s;
    }

    void verify() {
        QFETCH(QStringList, more);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Run run = sealmillPress(
            QStringList{u"--template"_s, u"offer.txt"_s, u"--output"_s, u"out"_s, u"--verify"_s} +
            more);
        QCOMPARE(run.err, err);
        QCOMPARE(run.out, out);
        QCOMPARE(run.status, status);
    }

    // A run records what it publishes; a run that would issue a number again
    // signs nothing; the check holds the files against the records.
    void registerOfIssuedCopies() {
        QVERIFY(QDir().mkdir(u"issued"_s));
        const QStringList run{u"--template"_s, u"offer.txt"_s,  u"--key-file"_s,
                              u"key.asc"_s,    u"--output"_s,   u"issued"_s,
                              u"--register"_s, u"issued.csv"_s, u"--passphrase-file"_s,
                              u"pass.txt"_s,   u"--quiet"_s};
        QCOMPARE(sealmillPress(run + QStringList{u"--from"_s, u"11"_s, u"--to"_s, u"12"_s}).status,
                 0);
        const Run again =
            sealmillPress(run + QStringList{u"--from"_s, u"12"_s, u"--to"_s, u"13"_s});
        QCOMPARE(again.status, 3);
        QVERIFY2(again.err.startsWith(u"sealmill-press: Number 12 is already in the register "
                                      "issued.csv (Sealmilled-file-12.txt, 20"_s),
                 qPrintable(again.err));
        QCOMPARE(QDir(u"issued"_s).entryList(QDir::Files),
                 QStringList({u"Sealmilled-file-11.txt"_s, u"Sealmilled-file-12.txt"_s}));
        const Run checked = sealmillPress({u"--verify"_s, u"--template"_s, u"offer.txt"_s,
                                           u"--key-file"_s, u"key.asc"_s, u"--output"_s,
                                           u"issued"_s, u"--register"_s, u"issued.csv"_s,
                                           u"--from"_s, u"11"_s, u"--to"_s, u"12"_s, u"--quiet"_s});
        QCOMPARE(checked.out, QString());
        QCOMPARE(checked.status, 0);
    }

    // Signed on several threads or on one, the copies are the same but for
    // their signatures, and every one is good.
    void severalJobsPressWhatOneDoes() {
        const auto pressWith = [](const QString& jobs) {
            QVERIFY(QDir().mkdir(jobs));
            const Run run = sealmillPress({u"--template"_s, u"offer.txt"_s, u"--from"_s, u"1"_s,
                                           u"--to"_s, u"40"_s, u"--key-file"_s, u"key.asc"_s,
                                           u"--passphrase-file"_s, u"pass.txt"_s, u"--output"_s,
                                           jobs, u"--jobs"_s, jobs, u"--quiet"_s});
            QCOMPARE(run.err, QString());
            QCOMPARE(run.status, 0);
        };
        pressWith(u"1"_s);
        pressWith(u"4"_s);
        const QStringList names = QDir(u"1"_s).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QCOMPARE(names.size(), 40);
        QCOMPARE(QDir(u"4"_s).entryList(QDir::Files | QDir::Hidden, QDir::Name), names);
        const auto text = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n').mid(0, 5).join('\n')
                                                  : QByteArray();
        };
        for (const QString& name : names) {
            QCOMPARE(text(u"4/"_s + name), text(u"1/"_s + name));
        }
        const Run checked = sealmillPress({u"--verify"_s, u"--template"_s, u"offer.txt"_s,
                                           u"--key-file"_s, u"key.asc"_s, u"--output"_s, u"4"_s,
                                           u"--from"_s, u"1"_s, u"--to"_s, u"40"_s, u"--quiet"_s});
        QCOMPARE(checked.out, QString());
        QCOMPARE(checked.status, 0);
    }

    void publicKeyNeedsVerify() {
        const Run run = sealmillPress({u"--template"_s, u"offer.txt"_s, u"--from"_s, u"1"_s,
                                       u"--to"_s, u"3"_s, u"--public-key"_s, u"public.gpg"_s});
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err,
                 u"sealmill-press: --public-key needs --verify\nTry 'sealmill-press "
                 "--help' for more information.\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestVerify)
#include "tst_verify.moc"
