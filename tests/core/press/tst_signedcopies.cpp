// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/pressjob.h"
#include "core/press/storedpresssettings.h"
#include "core/signing/builtin/builtinsigner.h"
#include "core/signing/program/programsigner.h"
#include "gnupghome.h"

#include <QtTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(sealmill::TextEncoding)

namespace {

enum class SignerKind { Builtin, Pgpgpg };
enum class KeyKind { Ed25519Subkey, Rsa3072, P256 };

// What the text of a clear signature is compared by: line ends as LF, and
// neither trailing blanks nor the final line break, which the signature does
// not cover.
QByteArray comparable(QByteArray text) {
    text.replace("\r\n", "\n");
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines) {
        while (line.endsWith(' ') || line.endsWith('\t')) {
            line.chop(1);
        }
    }
    QByteArray joined = lines.join('\n');
    if (joined.endsWith('\n')) {
        joined.chop(1);
    }
    return joined;
}

QByteArray armourHeader(const QByteArray& signedCopy, const QByteArray& name) {
    for (const QByteArray& line : signedCopy.split('\n')) {
        if (line.trimmed().isEmpty()) {
            break;
        }
        if (line.startsWith(name + ": ")) {
            return line.mid(name.size() + 2).trimmed();
        }
    }
    return {};
}

}  // namespace

Q_DECLARE_METATYPE(SignerKind)
Q_DECLARE_METATYPE(KeyKind)

// Copies pressed by both signers with real keys, checked from outside by
// gpg and by an independent implementation (Sequoia's sqop): the signature is
// good, made by the key that signs, and gives back the numbered copy.
class TestSignedCopies : public QObject {
    Q_OBJECT

    std::unique_ptr<GnupgHome> home_;
    QTemporaryDir dir_{u"/tmp/sm-XXXXXX"_s};

    [[nodiscard]] QString keyUserId(KeyKind key) const {
        switch (key) {
            case KeyKind::Ed25519Subkey:
                return GnupgHome::userId();
            case KeyKind::Rsa3072:
                return GnupgHome::rsaUserId();
            case KeyKind::P256:
                return GnupgHome::p256UserId();
        }
        return {};
    }
    [[nodiscard]] QString signingFingerprint(KeyKind key) const {
        switch (key) {
            case KeyKind::Ed25519Subkey:
                return home_->signingFingerprint();
            case KeyKind::Rsa3072:
                return home_->rsaFingerprint();
            case KeyKind::P256:
                return home_->p256Fingerprint();
        }
        return {};
    }
    [[nodiscard]] QString primaryFingerprint(KeyKind key) const {
        return key == KeyKind::Ed25519Subkey ? home_->fingerprint() : signingFingerprint(key);
    }

    // The text sqop gives back, or empty when it rejects the signature.
    [[nodiscard]] QByteArray sqopText(const QString& file, KeyKind key) {
        const QString cert = dir_.filePath(u"cert-%1"_s.arg(static_cast<int>(key)));
        QFile certFile(cert);
        if (!certFile.exists()) {
            const QByteArray bytes = home_->exportedPublicKey(primaryFingerprint(key));
            if (!certFile.open(QIODevice::WriteOnly) || certFile.write(bytes) != bytes.size()) {
                return {};
            }
            certFile.close();
        }
        QProcess sqop;
        sqop.setStandardInputFile(file);
        sqop.start(u"sqop"_s, {u"inline-verify"_s, cert});
        if (!sqop.waitForFinished(60000) || sqop.exitStatus() != QProcess::NormalExit ||
            sqop.exitCode() != 0) {
            return {};
        }
        return sqop.readAllStandardOutput();
    }

    // Presses number 10 of `text` to `output`, a name ending in "10.asc".
    PressOutcome press(const TemplateFileText& text, SignerKind signerKind, KeyKind key,
                       const QString& output) {
        StoredPressSettings settings;
        settings.outputDir = QFileInfo(output).path();
        settings.signerProgram = GnupgHome::pgpgpgProgram();
        settings.serialFrom = settings.serialTo = u"10"_s;
        settings.pattern = QFileInfo(output).fileName().replace(u"10.asc"_s, u"@SERIAL@.asc"_s);
        settings.key = keyUserId(key);
        settings.pass = SecretBytes(GnupgHome::passPhrase().toUtf8());
        PressJob job(settings);
        ProgramSigner programSigner;
        BuiltinSigner builtinSigner;
        Signer& signer = signerKind == SignerKind::Builtin ? static_cast<Signer&>(builtinSigner)
                                                           : static_cast<Signer&>(programSigner);
        std::optional<PressOutcome> outcome;
        QEventLoop loop;
        connect(&job, &PressJob::finished, &loop, [&](const PressOutcome& ended) {
            outcome = ended;
            loop.quit();
        });
        job.start(text, signer);
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        return outcome.value_or(PressOutcome{PressResult::Refused, u"never ended"_s, {}, 0});
    }

    // The built-in signer takes the key's first preference, as gpg makes keys
    // SHA512; gpg, under pgpgpg, its own choice for the key's type and size.
    void addRows(const char* name, const QString& text, TextEncoding encoding,
                 const QByteArray& copy) {
        QTest::addRow("%s, built-in", name) << text << encoding << copy << SignerKind::Builtin
                                            << KeyKind::Ed25519Subkey << "SHA512"_ba;
        QTest::addRow("%s, pgpgpg", name) << text << encoding << copy << SignerKind::Pgpgpg
                                          << KeyKind::Ed25519Subkey << "SHA256"_ba;
    }

private Q_SLOTS:
    void initTestCase() {
        if (GnupgHome::gpgProgram().isEmpty() || GnupgHome::pgpgpgProgram().isEmpty() ||
            QStandardPaths::findExecutable(u"sqop"_s).isEmpty()) {
            QSKIP("gpg, pgpgpg and sqop are needed (./dev installs them)");
        }
        home_ = std::make_unique<GnupgHome>(3072, true, true);
        QVERIFY2(home_->isReady(), qPrintable(home_->error()));
    }

    void verifiedByEveryImplementation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QByteArray>("copy");  // the numbered copy, as comparable() has it
        QTest::addColumn<SignerKind>("signer");
        QTest::addColumn<KeyKind>("key");
        QTest::addColumn<QByteArray>("hash");
        addRows("UTF-8", u"Certificate No. @SERIAL@\n\u00c4rger \u20ac \u2603\n"_s,
                TextEncoding::Utf8, "Certificate No. 10\n\xc3\x84rger \xe2\x82\xac \xe2\x98\x83");
        addRows("Windows-1252", u"Caf\u00e9 \u201cNo.\u201d @SERIAL@ \u20ac\n"_s,
                TextEncoding::Windows1252, "Caf\xe9 \x93No.\x94 10 \x80");
        addRows("UTF-16LE, placeholder first", u"@SERIAL@ first\nsecond \u00e9\n"_s,
                TextEncoding::Utf16Le, "10 first\nsecond \xc3\xa9");
        addRows("UTF-16BE, placeholder mid-line", u"Copy No. @SERIAL@ of 20\n"_s,
                TextEncoding::Utf16Be, "Copy No. 10 of 20");
        addRows("dashes and From",
                u"-----BEGIN PGP SIGNATURE-----\n- No. @SERIAL@\nFrom me\n--\n"_s,
                TextEncoding::Utf8, "-----BEGIN PGP SIGNATURE-----\n- No. 10\nFrom me\n--");
        addRows("trailing blanks and tabs", u"No. @SERIAL@  \t\n\t end \t\n"_s, TextEncoding::Utf8,
                "No. 10\n\t end");
        addRows("no final line break", u"first\nNo. @SERIAL@"_s, TextEncoding::Utf8,
                "first\nNo. 10");
        addRows("empty last lines", u"No. @SERIAL@\n\n\n"_s, TextEncoding::Utf8, "No. 10\n\n");
        addRows("longest line accepted", QString(19990, u'y') + u"@SERIAL@\nend\n"_s,
                TextEncoding::Utf8, QByteArray(19990, 'y') + "10\nend");
        // Under pgpgpg, gpg signs with any key type itself; the built-in
        // signer chooses the hash and signs through RNP for each.
        QTest::newRow("RSA 3072, built-in")
            << u"No. @SERIAL@\n"_s << TextEncoding::Utf8 << "No. 10"_ba << SignerKind::Builtin
            << KeyKind::Rsa3072 << "SHA512"_ba;
        QTest::newRow("NIST P-256, built-in")
            << u"No. @SERIAL@\n"_s << TextEncoding::Utf8 << "No. 10"_ba << SignerKind::Builtin
            << KeyKind::P256 << "SHA512"_ba;
    }
    void verifiedByEveryImplementation() {
        QFETCH(QString, text);
        QFETCH(TextEncoding, encoding);
        QFETCH(QByteArray, copy);
        QFETCH(SignerKind, signer);
        QFETCH(KeyKind, key);
        const QString output = dir_.filePath(u"%1-10.asc"_s.arg(
            QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-').replace(u',', u'-')));
        QFile::remove(output);

        const PressOutcome outcome = press({text, encoding}, signer, key, output);
        QCOMPARE(outcome.message, QString());
        QCOMPARE(outcome.result, PressResult::Succeeded);
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray signedCopy = file.readAll();

        QTEST(armourHeader(signedCopy, "Hash"), "hash");
        QCOMPARE(home_->goodSignatureBy(output), signingFingerprint(key));
        QCOMPARE(comparable(home_->signedText(output)), copy);
        QCOMPARE(comparable(sqopText(output, key)), copy);
    }
};

QTEST_GUILESS_MAIN(TestSignedCopies)
#include "tst_signedcopies.moc"
