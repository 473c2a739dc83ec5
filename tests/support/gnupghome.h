#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A throw-away GnuPG home with one signing key, for tests that run the real
// signer. While it lives, GNUPGHOME points at it, so every child process the
// test starts signs and verifies there. On destruction its agent is stopped,
// GNUPGHOME is put back and the home is removed.
class GnupgHome {
public:
    GnupgHome();
    GnupgHome(const GnupgHome&) = delete;
    GnupgHome& operator=(const GnupgHome&) = delete;
    GnupgHome(GnupgHome&&) = delete;
    GnupgHome& operator=(GnupgHome&&) = delete;
    ~GnupgHome();

    // The PGP-2.6 front end and gpg itself, or "" when not installed.
    [[nodiscard]] static QString pgpgpgProgram();
    [[nodiscard]] static QString gpgProgram();

    // False with a reason in error() when the home or key could not be made.
    [[nodiscard]] bool isReady() const { return ready_; }
    [[nodiscard]] const QString& error() const { return error_; }

    [[nodiscard]] QString path() const { return dir_.path(); }
    [[nodiscard]] static QString userId();
    [[nodiscard]] static QString passPhrase();
    [[nodiscard]] const QString& fingerprint() const { return fingerprint_; }

    // The fingerprint of the key that made a good signature in `file`; "" when
    // gpg does not accept the file.
    [[nodiscard]] QString goodSignatureBy(const QString& file) const;

    // The text that was signed, as gpg gives it back.
    [[nodiscard]] QByteArray signedText(const QString& file) const;

private:
    bool runGpg(const QStringList& arguments, QByteArray* out = nullptr) const;

    QTemporaryDir dir_;
    QByteArray savedHome_;
    bool hadHome_ = false;
    bool ready_ = false;
    QString error_;
    QString fingerprint_;
};
