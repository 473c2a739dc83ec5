// The press run window end to end with the real signer: pgpgpg in front of
// gpg, against a throw-away key. Skipped only where those are not installed.
#include "appwindows.h"
#include "editortemplate.h"
#include "fakedialogs.h"
#include "gnupghome.h"
#include "mainform.h"
#include "pressrun.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kTemplate =
    u"Certificate @SERIAL@ of the mill\nplain line\nref @SERIAL@ / @SERIAL@\n"_s;

}  // namespace

class TestPressRunGnupg : public QObject {
    Q_OBJECT

    std::unique_ptr<GnupgHome> home_;

    // A window set up for the real signer on numbers 11..14 into `out`.
    static void configure(AppWindows& windows, const QString& out, const QString& key) {
        windows.MainForm().editor()->setPlainText(kTemplate);
        windows.MainForm().PressRun1Click();
        TPressRun& press = windows.PressRun();
        press.PGPdir()->setText(GnupgHome::pgpgpgProgram());
        press.RUNdir()->setText(out);
        press.SerialTo()->setText(u"14"_s);
        press.SerialFrom()->setText(u"11"_s);
        press.RunName()->setText(u"serial no @SERIAL@.asc"_s);
        press.PGPid()->setText(key);
        press.PassPhrase()->setText(GnupgHome::passPhrase());
    }

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
        QTemporaryDir dir(u"/tmp/sm-XXXXXX"_s);
        const QString out = dir.filePath(u"out"_s);
        QVERIFY(QDir().mkdir(out));
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        configure(windows, out, GnupgHome::userId());
        TPressRun& press = windows.PressRun();
        const QString shot = qEnvironmentVariable("SEALMILL_RUN_SHOT");
        if (!shot.isEmpty()) {
            QObject::connect(press.ProgressBar(), &QProgressBar::valueChanged, &press,
                             [&](int value) {
                                 if (value == 75) {
                                     press.grab().save(shot);
                                 }
                             });
        }

        QTest::mouseClick(press.Run(), Qt::LeftButton);

        QCOMPARE(dialogs.messageTexts(), QStringList{u"The Sealmill has run!"_s});
        QStringList expected;
        for (int n = 11; n <= 14; ++n) {
            expected << u"serial_no_%1.asc"_s.arg(n);
        }
        QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), expected);
        for (int n = 11; n <= 14; ++n) {
            const QString file = out + u"/serial_no_%1.asc"_s.arg(n);
            QCOMPARE(home_->goodSignatureBy(file), home_->fingerprint());
            QByteArray text = home_->signedText(file);
            text.replace("\r\n", "\n");
            const QByteArray number = QByteArray::number(n);
            QCOMPARE(text, "Certificate " + number + " of the mill\nplain line\nref " + number +
                               " / @SERIAL@\n");
        }
        QCOMPARE(windows.MainForm().editorTemplate().text(), kTemplate);
        QVERIFY(press.isHidden());
    }

    void wrongKeyStopsAtFirstNumber() {
        QTemporaryDir dir(u"/tmp/sm-XXXXXX"_s);
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        configure(windows, dir.path(), u"nobody@example.invalid"_s);

        QTest::mouseClick(windows.PressRun().Run(), Qt::LeftButton);

        QCOMPARE(dialogs.messageTexts().size(), 1);
        const QString text = dialogs.messageTexts().first();
        QVERIFY2(text.startsWith(u"Error "_s) || text.contains(u"was not written!"_s),
                 qPrintable(text));
        QCOMPARE(dialogs.asked.first().message.kind, MessageKind::Error);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        QCOMPARE(windows.MainForm().editorTemplate().text(), kTemplate);
        QVERIFY(windows.PressRun().isVisible());
    }
};

QTEST_MAIN(TestPressRunGnupg)
#include "tst_pressrun_gnupg.moc"
