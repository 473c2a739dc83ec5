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

// Signs in memory, as the built-in signer does, without a key: the signed
// copy is a signed message's first line and the copy. Number `failAt` fails.
// It takes `workers` copies at once and ends those handed to it together in
// reverse order, the highest number first.
class MemorySigner final : public Signer {
public:
    qint64 failAt = 0;
    int workers = 1;
    std::function<void(qint64)> whileSigning = [](qint64 /*serial*/) {};
    qsizetype mostAtOnce = 0;  // the most copies it was handed at once

    [[nodiscard]] bool canStart(const QString& /*program*/) const override { return true; }
    [[nodiscard]] bool readsWorkFile() const override { return false; }
    [[nodiscard]] int concurrentSigns() const override { return workers; }
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
        ends_.prepend({task.serial, error, copy});
        mostAtOnce = std::max(mostAtOnce, ends_.size());
        if (ends_.size() == 1) {
            QTimer::singleShot(0, this, [this] {
                for (const End& end : std::exchange(ends_, {})) {
                    Q_EMIT signingEnded(end.serial, end.result, end.signedCopy);
                }
            });
        }
    }
    void stop() override {}

private:
    struct End {
        qint64 serial;
        SignerResult result;
        QByteArray signedCopy;
    };
    QList<End> ends_;
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
// What happens to a run while it signs.
using RunChange = std::function<void(PressRig&)>;

}  // namespace

Q_DECLARE_METATYPE(FolderChange)
Q_DECLARE_METATYPE(RunChange)

class TestPublication : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every progress report counts only copies already under their output
    // names, one more each time, in order, however many are signed at once;
    // the copies are whole.
    void progressCountsPublishedCopies_data() {
        QTest::addColumn<int>("workers");
        QTest::newRow("one at a time") << 1;
        QTest::newRow("four at once") << 4;
    }
    void progressCountsPublishedCopies() {
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        QFETCH(int, workers);
        signer.workers = workers;
        rig.settings.serialTo = u"150"_s;
        QList<qint64> order;
        QObject::connect(&rig.job, &PressJob::copiesPublished, &rig.job,
                         [&order](const QList<qint64>& serials) { order << serials; });
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
        QCOMPARE(order.size(), 150);
        QVERIFY(std::is_sorted(order.cbegin(), order.cend()));
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
        QTest::addColumn<int>("workers");
        QTest::addColumn<qint64>("failAt");       // the signer fails this number
        QTest::addColumn<QStringList>("theirs");  // files there before the run
        QTest::addColumn<qulonglong>("sizeLimit");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // %1: the output directory
        QTest::addColumn<QString>("details");
        QTest::addColumn<int>("pressed");
        const qulonglong unlimited = RLIM_INFINITY;
        QTest::newRow("signer fails at 100")
            << 1 << qint64{100} << QStringList() << unlimited << PressResult::SignerFailed
            << u"Error 20 occured:\rSIGNATURE_ERROR"_s << QString() << 99;
        // Four at once end highest first: 99 and 100 are signed before 98.
        QTest::newRow("signer fails at 98, 4 at once")
            << 4 << qint64{98} << QStringList() << unlimited << PressResult::SignerFailed
            << u"Error 20 occured:\rSIGNATURE_ERROR"_s << QString() << 97;
        QTest::newRow("output 120 taken")
            << 1 << qint64{0} << QStringList{u"out120.asc"_s} << unlimited
            << PressResult::OutputExists
            << u"%1/out120.asc already exists!\rOverwrite not supported"_s << QString() << 119;
        // 7's name is found taken while 5 and 6 are signed.
        QTest::newRow("signer fails at 5, output 7 taken, 4 at once")
            << 4 << qint64{5} << QStringList{u"out7.asc"_s} << unlimited
            << PressResult::SignerFailed << u"Error 20 occured:\rSIGNATURE_ERROR"_s << QString()
            << 4;
        QTest::newRow("disk full")
            << 1 << qint64{0} << QStringList() << qulonglong{20} << PressResult::FileFailed
            << u"Stream write error"_s << u"%1/Sealmill1.signed.tmp: File too large"_s << 0;
    }
    void endingsWithCopiesWaiting() {
        QFETCH(int, workers);
        QFETCH(qint64, failAt);
        QFETCH(QStringList, theirs);
        QFETCH(qulonglong, sizeLimit);
        QFETCH(QString, message);
        QFETCH(QString, details);
        QFETCH(int, pressed);
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        signer.workers = workers;
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

    // Copies of a large template are held in memory while signed: fewer of
    // them are handed out at once.
    void largeTemplatesSignFewerAtOnce() {
        PressRig rig(QString(63, u'x').append(u'\n').repeated(22 << 14) + u"@SERIAL@\n"_s);
        MemorySigner signer;
        signer.workers = 4;
        rig.settings.serialTo = u"4"_s;
        const PressOutcome outcome = rig.run(signer);
        QCOMPARE(outcome.result, PressResult::Succeeded);
        QCOMPARE(signer.mostAtOnce, 2);  // 64 MiB hold two copies of 22 MiB
        QCOMPARE(entries(rig.outDir), outputs(4));
    }

    // Four numbers signed at once, the highest ending first, while something
    // happens as number `at` is handed out: copies are published in order up
    // to the number where the run ended, and nothing of any later number,
    // signed or not, is left.
    void endingsWithSeveralSigning_data() {
        QTest::addColumn<qint64>("at");
        QTest::addColumn<RunChange>("change");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QStringList>("theirs");
        QTest::addColumn<QStringList>("cancelling");
        QTest::newRow("name planted for a number under way")
            << qint64{4}
            << RunChange([](PressRig& rig) { writeFile(rig.out(u"out2.asc"_s), kTheirs); })
            << PressResult::OutputExists << 1 << QStringList{u"out2.asc"_s} << QStringList();
        QTest::newRow("name planted for a number not handed out")
            << qint64{2}
            << RunChange([](PressRig& rig) { writeFile(rig.out(u"out7.asc"_s), kTheirs); })
            << PressResult::OutputExists << 6 << QStringList{u"out7.asc"_s} << QStringList();
        QTest::newRow("cancel: the numbers under way are published")
            << qint64{10} << RunChange([](PressRig& rig) { rig.job.cancel(); })
            << PressResult::Cancelled << 10 << QStringList()
            << QStringList{u"cancelling 5 to 10"_s};
        QTest::newRow("stop: they are not")
            << qint64{10} << RunChange([](PressRig& rig) { rig.job.stop(); })
            << PressResult::Stopped << 4 << QStringList() << QStringList();
    }
    void endingsWithSeveralSigning() {
        QFETCH(qint64, at);
        QFETCH(RunChange, change);
        QFETCH(int, pressed);
        QFETCH(QStringList, theirs);
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        signer.workers = 4;
        rig.settings.serialTo = u"150"_s;
        signer.whileSigning = [&](qint64 serial) {
            if (serial == at) {
                change(rig);
            }
        };
        const PressOutcome outcome = rig.run(signer);
        QTEST(outcome.result, "result");
        QCOMPARE(outcome.pressed, pressed);
        QCOMPARE(entries(rig.outDir), sorted(outputs(pressed) + theirs));
        for (const QString& name : theirs) {
            QCOMPARE(contents(rig.out(name)), kTheirs);
        }
        QTEST(rig.log.filter(u"cancelling"_s), "cancelling");
        QCOMPARE(rig.log.filter(u"progress"_s).size(), pressed);
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
