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
            this, [this, error, copy] { Q_EMIT signingEnded(error, copy); }, Qt::QueuedConnection);
    }
    void stop() override {}
};

// "out1.asc" to "out<last>.asc", as the folder lists them.
QStringList outputs(int last) {
    QStringList names;
    for (int n = 1; n <= last; ++n) {
        names << u"out%1.asc"_s.arg(n);
    }
    names.sort();
    return names;
}

}  // namespace

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

    // Numbers 1..150 signed in memory (so they are published in batches), or
    // 1..3 by a signer program; something ends the run, copies waiting in a
    // batch by then. What was signed before it is published and
    // counted, nothing from the failing number on, and no temporary file is
    // left in the folder the run made it in.
    void endings_data() {
        QTest::addColumn<QString>("mischief");
        QTest::addColumn<PressResult>("result");
        QTest::addColumn<QString>("message");  // its start; %1: the output directory
        QTest::addColumn<int>("least");  // numbers pressed, as far as the waits for the disk got
        QTest::addColumn<int>("most");
        QTest::addColumn<bool>("moved");  // the run's folder is elsewhere by the end
        const auto row = [](const char* mischief, PressResult result, const QString& message,
                            int least, int most, bool moved) {
            QTest::newRow(mischief)
                << QString::fromLatin1(mischief) << result << message << least << most << moved;
        };
        row("signer fails at 100", PressResult::SignerFailed,
            u"Error 20 occured:\rSIGNATURE_ERROR"_s, 99, 99, false);
        row("output 120 taken", PressResult::OutputExists,
            u"%1/out120.asc already exists!\rOverwrite not supported"_s, 119, 119, false);
        row("cancel while 100 is signed", PressResult::Cancelled, {}, 100, 100, false);
        row("disk full", PressResult::FileFailed, u"Stream write error"_s, 0, 0, false);
        row("folder renamed while 100 is signed", PressResult::FileFailed,
            u"The output folder %1 was renamed or moved away during the run"_s, 0, 99, true);
        row("folder replaced while 100 is signed", PressResult::FileFailed,
            u"The output folder %1 was replaced by another folder during the run"_s, 0, 99, true);
        row("signer program, folder renamed while it signs 2", PressResult::FileFailed,
            u"The output folder %1 was renamed or moved away during the run"_s, 1, 1, true);
    }
    void endings() {
        QFETCH(QString, mischief);
        QFETCH(QString, message);
        QFETCH(bool, moved);
        const bool program = mischief.startsWith(u"signer program");
        PressRig rig(u"No. @SERIAL@\n"_s);
        MemorySigner signer;
        signer.failAt = mischief.startsWith(u"signer fails") ? 100 : 0;
        rig.settings.serialTo = program ? u"3"_s : u"150"_s;
        const FakeSignerSettings slow("SLEEP_MS=" + QByteArray(program ? "300" : "0"));
        if (mischief.startsWith(u"output")) {
            writeFile(rig.out(u"out120.asc"_s), "someone else's\n");
        }
        const QString movedTo = rig.temp.filePath(u"moved"_s);
        const auto moveFolder = [&] {
            QVERIFY(QDir().rename(rig.outDir, movedTo));
            QVERIFY(!mischief.startsWith(u"folder replaced") || QDir().mkdir(rig.outDir));
        };
        // Copies signed before it wait in a batch by then.
        signer.whileSigning = [&](qint64 serial) {
            if (serial == 100 && mischief.startsWith(u"folder")) {
                moveFolder();
            } else if (serial == 100 && mischief.startsWith(u"cancel")) {
                rig.job.cancel();
            }
        };
        QObject::connect(&rig.job, &PressJob::progressed, &rig.job,
                         [&](int /*position*/, const QString& status) {
                             if (program && status.startsWith(u"1 of")) {
                                 QTimer::singleShot(100, &rig.job, moveFolder);
                             }
                         });
        const FileSizeLimit full(mischief.startsWith(u"disk full") ? 20 : RLIM_INFINITY);
        const PressOutcome outcome = program ? rig.run() : rig.run(signer);

        QTEST(outcome.result, "result");
        QVERIFY2(outcome.message.startsWith(message.replace(u"%1"_s, rig.outDir)),
                 qPrintable(outcome.message));
        QFETCH(int, least);
        QFETCH(int, most);
        QVERIFY2(outcome.pressed >= least && outcome.pressed <= most,
                 qPrintable(QString::number(outcome.pressed)));
        // A first cancel lets the copy being signed finish, and it counts.
        QCOMPARE(rig.log.filter(u"cancelling"_s),
                 mischief.startsWith(u"cancel")
                     ? QStringList{u"cancelling %1"_s.arg(outcome.pressed)}
                     : QStringList());
        const auto entries = [](const QString& folder) {
            QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                       QDir::Hidden | QDir::System);
            names.removeOne(u"out120.asc"_s);
            names.sort();
            return names;
        };
        const QString folder = moved ? movedTo : rig.outDir;
        QCOMPARE(entries(folder), outputs(static_cast<int>(outcome.pressed)));
        // Nothing of the run where the folder is not, neither in one that
        // took the old one's place.
        QCOMPARE(entries(moved ? rig.outDir : movedTo), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestPublication)
#include "tst_publication.moc"
