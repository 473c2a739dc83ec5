// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// When a press run publishes its signed copies: only whole ones that are on
// disk, in order, counted only once published, in the folder the run opened.
#include "filesizelimit.h"
#include "pressrig.h"

#include <QtTest>
#include <functional>

using namespace sealmill;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(sealmill::PressResult)

namespace {

// Signs in memory at once, as the built-in signer does, without a key: the
// signed copy is a signed message's first line and the copy. Number `failAt`
// fails.
class MemorySigner final : public Signer {
public:
    qint64 failAt = 0;
    std::function<void(qint64)> whileSigning = [](qint64 /*serial*/) {};

    [[nodiscard]] bool canStart(const QString& /*program*/) const override { return true; }
    [[nodiscard]] bool readsWorkFile() const override { return false; }
    void prepare(SigningSetup /*setup*/) override {
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT prepared(SignerResult::succeeded()); }, Qt::QueuedConnection);
    }
    void sign(const SigningTask& task) override {
        whileSigning(task.serial);
        const SignerResult error =
            task.serial == failAt ? SignerResult::failed(u"Error 20 occured:\rSIGNATURE_ERROR"_s)
                                  : SignerResult::succeeded();
        const QByteArray copy = "-----BEGIN PGP SIGNED MESSAGE-----\n\n" + task.copy;
        QMetaObject::invokeMethod(
            this,
            [this, serial = task.serial, error, copy] { Q_EMIT signingEnded(serial, error, copy); },
            Qt::QueuedConnection);
    }
    void stop() override {}
};

const QByteArray kTheirs = "someone else's file\n";

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

// "out1.asc" to "out<last>.asc", as the folder lists them.
QStringList outputs(int last) {
    QStringList names;
    for (int n = 1; n <= last; ++n) {
        names << u"out%1.asc"_s.arg(n);
    }
    return sorted(names);
}

// Everything in a folder, hidden entries and links included; none when it is not there.
QStringList entries(const QString& folder) {
    return sorted(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                         QDir::System));
}

// What happens at the output folder's path once it was moved away.
using FolderChange = std::function<void(const QString&)>;

}  // namespace

Q_DECLARE_METATYPE(FolderChange)

class TestPublication : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every progress report counts only copies already under their output
    // names, one more each time; the copies are whole.
    void progressCountsPublishedCopies() {
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        rig.settings.serialTo = u"150"_s;
        QList<int> published;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&] {
            published << static_cast<int>(rig.entries().filter(u".asc"_s).size());
        });
        const PressOutcome outcome = rig.run(signer);
        QCOMPARE(outcome.result, PressResult::Succeeded);
        QCOMPARE(outcome.pressed, 150);
        QCOMPARE(rig.entries(), outputs(150));
        QCOMPARE(rig.log.at(1), u"progress 1 1 of 150 processed"_s);
        QCOMPARE(rig.log.constLast(), u"progress 100 150 of 150 processed"_s);
        QCOMPARE(published.size(), 150);
        for (int i = 0; i < published.size(); ++i) {
            QVERIFY2(published.at(i) >= i + 1, qPrintable(QString::number(i + 1)));
        }
        QCOMPARE(contents(rig.out(u"out150.asc"_s)),
                 "-----BEGIN PGP SIGNED MESSAGE-----\n\nNo. 150\r\n");
    }

    // Numbers 1..150 signed in memory, so that copies wait in a batch when
    // something ends the run: what was signed before it is published and
    // counted, nothing from the failing number on, and no temporary file is
    // left.
    void endingsWithCopiesWaiting_data() {
        QTest::addColumn<qint64>("failAt");       // the signer fails this number
        QTest::addColumn<QStringList>("theirs");  // files there before the run
        QTest::addColumn<qulonglong>("sizeLimit");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QString>("details");
        QTest::addColumn<int>("pressed");
        const qulonglong unlimited = RLIM_INFINITY;
        QTest::newRow("signer fails at 100")
            << qint64{100} << QStringList() << unlimited << PressResult::SignerFailed
            << u"Error 20 occured:\rSIGNATURE_ERROR"_s << QString() << 99;
        QTest::newRow("output 120 taken")
            << qint64{0} << QStringList{u"out120.asc"_s} << unlimited << PressResult::OutputExists
            << u"%1/out120.asc already exists!\rOverwrite not supported"_s << QString() << 119;
        QTest::newRow("disk full")
            << qint64{0} << QStringList() << qulonglong{20} << PressResult::FileFailed
            << u"Stream write error"_s << u"%1/Sealmill1.signed.tmp: File too large"_s << 0;
    }
    void endingsWithCopiesWaiting() {
        QFETCH(qint64, failAt);
        QFETCH(QStringList, theirs);
        QFETCH(qulonglong, sizeLimit);
        QFETCH(QString, message);
        QFETCH(QString, details);
        QFETCH(int, pressed);
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        signer.failAt = failAt;
        rig.settings.serialTo = u"150"_s;
        for (const QString& name : theirs) {
            writeFile(rig.out(name), kTheirs);
        }
        PressOutcome outcome;
        {
            const FileSizeLimit full(sizeLimit);
            outcome = rig.run(signer);
        }
        QTEST(outcome.result, "result");
        QCOMPARE(outcome.message, message.replace(u"%1"_s, rig.outDir));
        QCOMPARE(outcome.details, details.replace(u"%1"_s, rig.outDir));
        QCOMPARE(outcome.pressed, pressed);
        QCOMPARE(entries(rig.outDir), sorted(outputs(pressed) + theirs));
        for (const QString& name : theirs) {
            QCOMPARE(contents(rig.out(name)), kTheirs);
        }
    }

    // The run's folder is renamed while number 100 is signed in memory, and
    // another may take its place: the run stops naming the change, copies
    // signed before it are published in the folder the run opened, as far as
    // its waits for the disk got, and nothing of the run lands in the new one.
    void folderMovedWhileCopiesWait_data() {
        QTest::addColumn<FolderChange>("thenAtItsPath");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::newRow("renamed") << FolderChange([](const QString& /*path*/) {
        }) << u"The output folder %1 was renamed or moved away during the run"_s;
        QTest::newRow("replaced") << FolderChange([](const QString& path) {
            QVERIFY(QDir().mkdir(path));
        }) << u"The output folder %1 was replaced by another folder during the run"_s;
    }
    void folderMovedWhileCopiesWait() {
        QFETCH(FolderChange, thenAtItsPath);
        QFETCH(QString, message);
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        rig.settings.serialTo = u"150"_s;
        const QString movedTo = rig.temp.filePath(u"moved"_s);
        signer.whileSigning = [&](qint64 serial) {
            if (serial == 100) {
                QVERIFY(QDir().rename(rig.outDir, movedTo));
                thenAtItsPath(rig.outDir);
            }
        };
        const PressOutcome outcome = rig.run(signer);
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(outcome.message, message.replace(u"%1"_s, rig.outDir));
        QVERIFY2(outcome.pressed <= 99, qPrintable(QString::number(outcome.pressed)));
        QCOMPARE(entries(movedTo), outputs(static_cast<int>(outcome.pressed)));
        QCOMPARE(entries(rig.outDir), QStringList());
    }

    // A signer program works by paths: its folder renamed while it signs
    // number 2 stops the run then, and number 1 stays where it was published.
    void folderMovedWhileASignerProgramSigns() {
        PressRig rig(u"No. @SERIAL@\n"_s);
        rig.settings.serialTo = u"3"_s;
        const FakeSignerSettings slow("SLEEP_MS=300");
        const QString movedTo = rig.temp.filePath(u"moved"_s);
        bool moved = false;
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job, [&] {
            QTimer::singleShot(100, &rig.job,
                               [&] { moved = moved || QDir().rename(rig.outDir, movedTo); });
        });
        const PressOutcome outcome = rig.run();
        QVERIFY(moved);
        QCOMPARE(outcome.result, PressResult::FileFailed);
        QCOMPARE(
            outcome.message,
            u"The output folder %1 was renamed or moved away during the run"_s.arg(rig.outDir));
        QCOMPARE(outcome.pressed, 1);
        QCOMPARE(entries(movedTo), QStringList{u"out1.asc"_s});
        QCOMPARE(entries(rig.outDir), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPublication)
#include "tst_publication.moc"
