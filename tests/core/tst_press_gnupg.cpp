// The press loop with the real signer: pgpgpg in front of gpg, against a
// throw-away key. Skipped only where those programs are not installed.
#include "gnupghome.h"
#include "memorytemplate.h"
#include "pressfakes.h"
#include "pressloop.h"

#include <QDir>
#include <QTest>

using namespace sealmill;

namespace {

const QString kTemplate = QStringLiteral(
    "Certificate @SERIAL@ of the mill\n"
    "plain line\n"
    "ref @SERIAL@ / @SERIAL@\n");

}  // namespace

class TestPressGnupg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (GnupgHome::pgpgpgProgram().isEmpty() || GnupgHome::gpgProgram().isEmpty()) {
            QSKIP("pgpgpg and gpg are needed (./dev installs them)");
        }
        home_ = std::make_unique<GnupgHome>();
        QVERIFY2(home_->isReady(), qPrintable(home_->error()));
    }

    void cleanupTestCase() { home_.reset(); }

    void signsEveryNumber() {
        PressRig rig(kTemplate);
        const QString dir = rig.out(u"signed copies"_qs);
        QVERIFY(QDir().mkpath(dir));
        configure(rig, dir, GnupgHome::userId());
        PressLoop loop(rig.doc, rig.settings, rig.sink);  // the real signer

        QCOMPARE(loop.run(), PressResult::Succeeded);

        QVERIFY2(rig.sink.errors.isEmpty(), qPrintable(rig.sink.errors.join(u'|')));
        QStringList expected;
        for (int n = 98; n <= 101; ++n) {
            expected << u"serial_no_%1.asc"_qs.arg(n);
        }
        expected.sort();
        QCOMPARE(filesIn(dir), expected);
        for (int n = 98; n <= 101; ++n) {
            const QString file = dir + u"/serial_no_%1.asc"_qs.arg(n);
            QCOMPARE(home_->goodSignatureBy(file), home_->fingerprint());
            QByteArray text = home_->signedText(file);
            text.replace("\r\n", "\n");
            const QByteArray number = QByteArray::number(n);
            QCOMPARE(text, "Certificate " + number + " of the mill\nplain line\nref " + number +
                               " / @SERIAL@\n");
        }
        QCOMPARE(rig.doc.text(), kTemplate);
        QCOMPARE(rig.sink.count(u"succeeded"_qs), 1);
    }

    void wrongKeyStopsAtFirstNumber() {
        PressRig rig(kTemplate);
        configure(rig, rig.outDir, u"nobody@example.invalid"_qs);
        PressLoop loop(rig.doc, rig.settings, rig.sink);

        QCOMPARE(loop.run(), PressResult::SignerFailed);

        QCOMPARE(rig.sink.errors.size(), 1);
        QVERIFY2(rig.sink.errors.first().startsWith(u"Error "_qs) ||
                     rig.sink.errors.first().contains(u"was not written!"_qs),
                 qPrintable(rig.sink.errors.first()));
        QCOMPARE(rig.sink.count(u"progress"_qs), 0);
        QVERIFY(filesIn(rig.outDir).isEmpty());
        QCOMPARE(rig.doc.text(), kTemplate);
    }

private:
    static void configure(PressRig& rig, const QString& dir, const QString& key) {
        rig.settings.runDir = dir;
        rig.settings.pgpDir = GnupgHome::pgpgpgProgram();
        rig.settings.serialFrom = u"98"_qs;
        rig.settings.serialTo = u"101"_qs;
        rig.settings.runName = u"serial no @SERIAL@.asc"_qs;
        rig.settings.pgpId = key;
        rig.settings.pass = GnupgHome::passPhrase();
    }

    std::unique_ptr<GnupgHome> home_;
};

QTEST_GUILESS_MAIN(TestPressGnupg)
#include "tst_press_gnupg.moc"
