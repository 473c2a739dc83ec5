// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Checking a pressed batch: each kind of fault in a folder of signed copies
// is reported as exactly that problem, for that number.
#include "core/platform/secretbytes.h"
#include "core/press/copyregister.h"
#include "core/press/numberedcopies.h"
#include "core/press/outputpath.h"
#include "core/sealmillerror.h"
#include "core/signing/builtin/clearsigner.h"
#include "core/signing/builtin/signingkey.h"
#include "core/signing/builtin/verifyingkey.h"
#include "core/verify/batchcheck.h"
#include "gnupghome.h"

#include <QtTest>
#include <memory>

using namespace sealmill;
using namespace Qt::StringLiterals;

namespace {

const QString kPattern = u"Copy @SERIAL@.txt"_s;

// A dash-escaped line, a line with trailing blanks and a final line break: the
// cleartext framework's rules all come into play.
TemplateFileText certificate() {
    return {u"Certificate No. @SERIAL@\n-- issued by the mill\nvalid  \n"_s, TextEncoding::Utf8};
}

enum class Fault {
    AlteredByte,        // one byte of number 3's text changed after signing
    OtherKey,           // number 2 signed by another key
    MissingNumber,      // number 4 removed
    ExtraNumber,        // number 7 pressed beside a range of 1 to 5
    LeftoverWorkFile,   // Sealmill3.signed.tmp left behind
    LeftoverSnapshot,   // SealmillTemplate.tmp left behind
    SwappedCopy,        // number 2's name holds number 5's good copy
    HugeFile,           // a sparse gibibyte at number 5's name
    BinaryFile,         // random bytes with NULs at number 1's name
    TruncatedArmour,    // number 1 cut short in its signature
    TextBeforeMessage,  // a line in front of number 1's message
    TextAfterMessage,   // a second message after number 1's
    Folder,             // a folder at number 2's name
    BeforeTheKey,       // number 4 signed by the key, dated a day before the key was made
};

// What is wrong between a folder of good copies and its register.
enum class RegisterFault {
    HashChanged,    // number 3's line holds another hash
    NotListed,      // number 2 has no line
    ListedButGone,  // a line for number 9, whose file is not there
    BrokenLine,     // a line that is no record
};

class Collector final : public BatchCheckSink {
public:
    void found(const CopyProblem& problem) override { problems << problem; }
    void checked(qint64 serial) override { order << serial; }

    QList<CopyProblem> problems;
    QList<qint64> order;
};

}  // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(RegisterFault)
Q_DECLARE_METATYPE(Problem)

class TestBatchCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GnupgHome> home_;
    std::unique_ptr<SigningKey> ours_;
    std::unique_ptr<SigningKey> theirs_;
    std::unique_ptr<VerifyingKey> key_;

    QByteArray signedCopy(qint64 serial, SigningKey& key) {
        NumberedCopies copies(certificate());
        return key.newSigner()->clearSign(copies.copy(serial));
    }

    // gpg's clear signature of number `serial`'s copy, dated a day back.
    QByteArray signedADayAgo(qint64 serial) {
        QTemporaryFile copy;
        NumberedCopies copies(certificate());
        if (!copy.open() || copy.write(copies.copy(serial)) < 0 || !copy.flush()) {
            return {};
        }
        QProcess gpg;
        gpg.start(GnupgHome::gpgProgram(),
                  {u"--batch"_s, u"--pinentry-mode"_s, u"loopback"_s, u"--passphrase"_s,
                   GnupgHome::passPhrase(), u"--faked-system-time"_s,
                   u"%1!"_s.arg(QDateTime::currentSecsSinceEpoch() - 86400),
                   u"--ignore-time-conflict"_s, u"--local-user"_s, home_->fingerprint(),
                   u"--output"_s, u"-"_s, u"--clearsign"_s, copy.fileName()});
        gpg.waitForFinished(120000);
        return gpg.readAllStandardOutput();
    }

    // The one problem found is the row's: serial, file, problem and line.
    static void expectOnlyTheRowsProblem(const Collector& collector, const QString& folder) {
        QFETCH(qint64, serial);
        QFETCH(QString, file);
        QFETCH(Problem, problem);
        QFETCH(qsizetype, line);
        QCOMPARE(collector.problems.size(), 1);
        const CopyProblem& found = collector.problems.first();
        QCOMPARE(found.serial, serial);
        QCOMPARE(found.file, folder + file);
        QCOMPARE(found.problem, problem);
        QCOMPARE(found.line, line);
    }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // Numbers 1 to 5, as a run presses them.
    void press(const QString& dir) {
        for (qint64 n = 1; n <= 5; ++n) {
            write(outputFilePath(dir, kPattern, n), signedCopy(n, *ours_));
        }
    }

    void apply(Fault fault, const QString& dir) {
        const auto path = [&dir](qint64 n) { return outputFilePath(dir, kPattern, n); };
        QFile file;
        switch (fault) {
            case Fault::AlteredByte: {
                file.setFileName(path(3));
                QVERIFY(file.open(QIODevice::ReadWrite));
                QByteArray bytes = file.readAll();
                bytes.replace("Certificate No. 3", "Certificate No. 8");
                QVERIFY(file.seek(0));
                QCOMPARE(file.write(bytes), bytes.size());
                return;
            }
            case Fault::OtherKey:
                return write(path(2), signedCopy(2, *theirs_));
            case Fault::MissingNumber:
                QVERIFY(QFile::remove(path(4)));
                return;
            case Fault::ExtraNumber:
                return write(path(7), signedCopy(7, *ours_));
            case Fault::LeftoverWorkFile:
                return write(signedFilePath(dir, 3), "half");
            case Fault::LeftoverSnapshot:
                return write(snapshotPath(dir), "Certificate No. @SERIAL@");
            case Fault::SwappedCopy:
                return write(path(2), signedCopy(5, *ours_));
            case Fault::HugeFile:
                QVERIFY(QFile::resize(path(5), qint64{1} << 30));
                return;
            case Fault::BinaryFile:
                return write(path(1), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16).repeated(64));
            case Fault::TruncatedArmour: {
                QByteArray bytes = signedCopy(1, *ours_);
                return write(path(1), bytes.first(bytes.indexOf("-----END PGP SIGNATURE")));
            }
            case Fault::TextBeforeMessage:
                return write(path(1), "Hello\n" + signedCopy(1, *ours_));
            case Fault::TextAfterMessage:
                return write(path(1), signedCopy(1, *ours_) + signedCopy(9, *ours_));
            case Fault::Folder:
                QVERIFY(QFile::remove(path(2)));
                QVERIFY(QDir(dir).mkdir(u"Copy_2.txt"_s));
                return;
            case Fault::BeforeTheKey:
                return write(path(4), signedADayAgo(4));
        }
    }

private Q_SLOTS:
    void initTestCase() {
        home_ = std::make_unique<GnupgHome>(0, false, true);
        QVERIFY2(home_->isReady(), qPrintable(home_->error()));
        const auto load = [](const QString& fingerprint) {
            auto loaded = loadSigningKey(KeyringKey{fingerprint, {}},
                                         SecretBytes(GnupgHome::passPhrase().toUtf8()));
            auto* key = std::get_if<std::unique_ptr<SigningKey>>(&loaded);
            return key != nullptr ? std::move(*key) : nullptr;
        };
        ours_ = load(home_->fingerprint());
        theirs_ = load(home_->p256Fingerprint());
        QVERIFY(ours_ && theirs_);
        auto verifying = loadVerifyingKey(KeyringKey{home_->fingerprint(), {}});
        QVERIFY(std::holds_alternative<std::unique_ptr<VerifyingKey>>(verifying));
        key_ = std::move(std::get<std::unique_ptr<VerifyingKey>>(verifying));
    }

    void cleanupTestCase() {
        ours_.reset();
        theirs_.reset();
        home_.reset();
    }

    void eachFaultIsReportedAsItself_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<qsizetype>("line");
        const auto row = [](const char* name, Fault fault, qint64 serial, const QString& file,
                            Problem problem, qsizetype line) {
            QTest::newRow(name) << fault << serial << file << problem << line;
        };
        row("altered byte", Fault::AlteredByte, 3, u"Copy_3.txt"_s, Problem::BadSignature, 1);
        row("other key", Fault::OtherKey, 2, u"Copy_2.txt"_s, Problem::OtherKey, 0);
        row("missing number", Fault::MissingNumber, 4, u"Copy_4.txt"_s, Problem::Missing, 0);
        row("extra number", Fault::ExtraNumber, 7, u"Copy_7.txt"_s, Problem::Extra, 0);
        row("leftover work file", Fault::LeftoverWorkFile, 3, u"Sealmill3.signed.tmp"_s,
            Problem::Leftover, 0);
        row("leftover snapshot", Fault::LeftoverSnapshot, 0, u"SealmillTemplate.tmp"_s,
            Problem::Leftover, 0);
        row("copy of another number", Fault::SwappedCopy, 2, u"Copy_2.txt"_s, Problem::TextDiffers,
            1);
        row("huge file", Fault::HugeFile, 5, u"Copy_5.txt"_s, Problem::TooLarge, 0);
        row("binary file", Fault::BinaryFile, 1, u"Copy_1.txt"_s, Problem::NotSigned, 0);
        row("truncated armour", Fault::TruncatedArmour, 1, u"Copy_1.txt"_s, Problem::NotSigned, 0);
        row("text before the message", Fault::TextBeforeMessage, 1, u"Copy_1.txt"_s,
            Problem::NotSigned, 0);
        row("text after the message", Fault::TextAfterMessage, 1, u"Copy_1.txt"_s,
            Problem::NotSigned, 0);
        row("folder", Fault::Folder, 2, u"Copy_2.txt"_s, Problem::NotAFile, 0);
        row("signed before the key existed", Fault::BeforeTheKey, 4, u"Copy_4.txt"_s,
            Problem::KeyNotValid, 0);
    }

    void eachFaultIsReportedAsItself() {
        QFETCH(Fault, fault);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        press(folder);
        apply(fault, folder);
        Collector collector;
        const BatchCheckSummary summary =
            checkBatch(certificate(), *key_, {dir.path(), kPattern, 1, 5, 3}, collector);

        expectOnlyTheRowsProblem(collector, folder);
        QCOMPARE(summary.checked, 5);
        QCOMPARE(collector.order, (QList<qint64>{1, 2, 3, 4, 5}));
    }

    void eachRegisterFaultIsReportedAsItself_data() {
        QTest::addColumn<RegisterFault>("fault");
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("hash changed") << RegisterFault::HashChanged << qint64{3} << u"Copy_3.txt"_s
                                      << Problem::HashDiffers << qsizetype{0};
        QTest::newRow("not listed") << RegisterFault::NotListed << qint64{2} << u"Copy_2.txt"_s
                                    << Problem::NotRegistered << qsizetype{0};
        QTest::newRow("listed but gone")
            << RegisterFault::ListedButGone << qint64{9} << u"Copy_9.txt"_s
            << Problem::RegisteredMissing << qsizetype{0};
        QTest::newRow("broken line") << RegisterFault::BrokenLine << qint64{0} << u"issued.csv"_s
                                     << Problem::BrokenRegisterLine << qsizetype{7};
    }

    void eachRegisterFaultIsReportedAsItself() {
        QFETCH(RegisterFault, fault);
        QTemporaryDir dir;
        const QString folder = dir.path() + u'/';
        press(folder);
        QList<RegisterEntry> entries;
        for (qint64 n = 1; n <= 5; ++n) {
            QFile copy(outputFilePath(folder, kPattern, n));
            QVERIFY(copy.open(QIODevice::ReadOnly));
            entries << RegisterEntry{
                n, copy.fileName(),
                QCryptographicHash::hash(copy.readAll(), QCryptographicHash::Sha256).toHex(),
                home_->fingerprint(), u"2026-12-01T00:00:00Z"_s};
        }
        switch (fault) {
            case RegisterFault::HashChanged:
                entries[2].sha256 = QByteArray(64, '0');
                break;
            case RegisterFault::NotListed:
                entries.removeAt(1);
                break;
            case RegisterFault::ListedButGone:
                entries << RegisterEntry{9, u"Copy_9.txt"_s, QByteArray(64, '9'), {}, {}};
                break;
            case RegisterFault::BrokenLine:
                entries << RegisterEntry{5, u"Copy_5.txt"_s, QByteArray(64, '5'), {}, {}};
                break;
        }
        const QString path = folder + u"issued.csv"_s;
        CopyRegister(path).record(entries);
        const RegisterReading reading = readRegister(path);
        Collector collector;
        (void)checkBatch(certificate(), *key_, {dir.path(), kPattern, 1, 5, 2, &reading, path},
                         collector);

        expectOnlyTheRowsProblem(collector, folder);
    }

    void aGoodBatchHasNoProblem() {
        QTemporaryDir dir;
        press(dir.path() + u'/');
        Collector collector;
        const BatchCheckSummary summary =
            checkBatch(certificate(), *key_, {dir.path(), kPattern, 1, 5, 2}, collector);
        QCOMPARE(collector.problems.size(), 0);
        QCOMPARE(summary.good, 5);
        QCOMPARE(summary.strays, 0);
    }

    // A signer program clear-signs through gpg, which writes its own armour.
    void acceptsGpgsClearSignature() {
        QTemporaryDir dir;
        const QString copy = dir.filePath(u"copy"_s);
        NumberedCopies copies(certificate());
        write(copy, copies.copy(1));
        const QByteArray signedByGpg = home_->clearSigned(copy, home_->fingerprint());
        QVERIFY(!signedByGpg.isEmpty());
        QVERIFY(QFile::remove(copy));
        write(outputFilePath(dir.path() + u'/', kPattern, 1), signedByGpg);
        Collector collector;
        const BatchCheckSummary summary =
            checkBatch(certificate(), *key_, {dir.path(), kPattern, 1, 1, 1}, collector);
        QCOMPARE(collector.problems.size(), 0);
        QCOMPARE(summary.good, 1);
    }

    void anUnreadableFolderCannotBeChecked() {
        Collector collector;
        QVERIFY_THROWS_EXCEPTION(
            SealmillError,
            (void)checkBatch(certificate(), *key_, {u"/nonexistent/folder"_s, kPattern, 1, 5, 1},
                             collector));
    }

    void linesAreComparedUnderTheCleartextRules_data() {
        QTest::addColumn<QByteArray>("signedText");
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<qsizetype>("line");
        QTest::newRow("same") << "a\r\nb"_ba
                              << "a\r\nb\r\n"_ba << qsizetype{0};
        QTest::newRow("trailing blanks") << "a\r\nb"_ba
                                         << "a \t\r\nb  \r\n"_ba << qsizetype{0};
        QTest::newRow("LF for CR LF") << "a\nb"_ba
                                      << "a\r\nb"_ba << qsizetype{0};
        QTest::newRow("second line") << "a\r\nc"_ba
                                     << "a\r\nb\r\n"_ba << qsizetype{2};
        QTest::newRow("line missing") << "a"_ba
                                      << "a\r\nb\r\n"_ba << qsizetype{2};
        QTest::newRow("line more") << "a\r\nb\r\n"_ba
                                   << "a\r\nb\r\n"_ba << qsizetype{3};
        QTest::newRow("blank inside") << "a b"_ba
                                      << "ab"_ba << qsizetype{1};
    }

    void linesAreComparedUnderTheCleartextRules() {
        QFETCH(QByteArray, signedText);
        QFETCH(QByteArray, copy);
        QFETCH(qsizetype, line);
        QCOMPARE(firstDifferentLine(signedText, copy), line);
    }
};

QTEST_GUILESS_MAIN(TestBatchCheck)
#include "tst_batchcheck.moc"
