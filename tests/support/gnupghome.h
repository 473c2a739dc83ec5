#pragma once

#include <QByteArray>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// A throw-away GnuPG home with one signing key. While it lives, GNUPGHOME points at it, so
// child processes sign and verify there; on destruction the agent stops and GNUPGHOME is restored.
class GnupgHome {
public:
    GnupgHome();
    GnupgHome(const GnupgHome&) = delete;
    GnupgHome& operator=(const GnupgHome&) = delete;
    ~GnupgHome();

    static QString pgpgpgProgram() {
        return QStandardPaths::findExecutable(QStringLiteral("pgpgpg"));
    }
    static QString gpgProgram() { return QStandardPaths::findExecutable(QStringLiteral("gpg")); }
    static QString userId() { return QStringLiteral("Sealmill Test <test@example.invalid>"); }
    static QString passPhrase() { return QStringLiteral("mill \"stone\" 42"); }

    // False with a reason in error() when the home or key could not be made.
    [[nodiscard]] bool isReady() const { return !fingerprint_.isEmpty(); }
    [[nodiscard]] const QString& error() const { return error_; }
    [[nodiscard]] const QString& fingerprint() const { return fingerprint_; }
    // The fingerprint behind a good signature in `file`, "" when gpg rejects it.
    [[nodiscard]] QString goodSignatureBy(const QString& file) const;
    [[nodiscard]] QByteArray signedText(const QString& file) const;

private:
    bool runGpg(const QStringList& arguments, QByteArray* out = nullptr) const;

    QTemporaryDir dir_{QStringLiteral("/tmp/gpg-XXXXXX")};  // short: the agent socket lives here
    QByteArray savedHome_ = qgetenv("GNUPGHOME");
    bool hadHome_ = qEnvironmentVariableIsSet("GNUPGHOME");
    QString error_;
    QString fingerprint_;
};
