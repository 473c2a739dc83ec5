// The press run window with the real signer (pgpgpg in front of gpg) and a throw-away key.
#include "appwindows.h"
#include "fakedialogs.h"
#include "gnupghome.h"
#include "mainform.h"
#include "pressrun.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPressRunGnupg : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pressesAndSigns_data() {
        QTest::addColumn<bool>("builtin");
        QTest::addColumn<bool>("rightKey");
        QTest::newRow("pgpgpg, right key signs 11..14") << false << true;
        QTest::newRow("pgpgpg, wrong key stops at 11") << false << false;
        QTest::newRow("built-in signer signs 11..14") << true << true;
    }
    void pressesAndSigns() {
        QFETCH(bool, builtin);
        QFETCH(bool, rightKey);
        if (GnupgHome::pgpgpgProgram().isEmpty() || GnupgHome::gpgProgram().isEmpty()) {
            QSKIP("pgpgpg and gpg are needed (./dev installs them)");
        }
        GnupgHome home;
        QVERIFY2(home.isReady(), qPrintable(home.error()));
        QTemporaryDir out(u"/tmp/sm-XXXXXX"_s);
        FakeDialogs dialogs;
        AppWindows windows(dialogs);
        const QString kTemplate = u"Serial @SERIAL@ of the mill\nplain\nref @SERIAL@ @SERIAL@\n"_s;
        windows.MainForm().editor()->setPlainText(kTemplate);
        windows.MainForm().PressRun1Click();
        TPressRun& press = windows.PressRun();
        press.PGPdir()->setText(GnupgHome::pgpgpgProgram());
        press.builtinSignerBox()->setChecked(builtin);
        press.RUNdir()->setText(out.path());
        press.SerialTo()->setText(u"14"_s);
        press.SerialFrom()->setText(u"11"_s);
        press.RunName()->setText(u"serial no @SERIAL@.asc"_s);
        press.PGPid()->setText(rightKey ? GnupgHome::userId() : u"nobody@example.invalid"_s);
        press.PassPhrase()->setText(GnupgHome::passPhrase());

        QTest::mouseClick(press.Run(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!press.isRunning(), 120000);

        QCOMPARE(dialogs.messageTexts().size(), 1);  // the wrong key stops at the first number
        QCOMPARE(dialogs.asked.first().message.kind == MessageKind::Error, !rightKey);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), rightKey ? 4 : 0);
        for (int n = 11; n <= 14 && rightKey; ++n) {
            const QString file = out.filePath(u"serial_no_%1.asc"_s.arg(n));
            QCOMPARE(home.goodSignatureBy(file), home.fingerprint());
            const QByteArray number = QByteArray::number(n);
            QCOMPARE(home.signedText(file).replace("\r\n", "\n"),
                     "Serial " + number + " of the mill\nplain\nref " + number + " @SERIAL@\n");
        }
    }
};

QTEST_MAIN(TestPressRunGnupg)
#include "tst_pressrun_gnupg.moc"
