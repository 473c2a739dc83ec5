// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace sealmill {

class PressSettings;

// What a signer is handed for one number.
struct SigningTask {
    qint64 serial = 0;
    QByteArray copy;     // the numbered copy, in the template file's bytes
    QString workFile;    // the copy on disk, written for signers that read a file
    QString signedFile;  // where the signed copy goes: a private temporary name
    QString program;     // the settings as they read at this number
    QString keyId;
    QString passPhrase;
};

// Why a signer failed, as the error box shows it; an empty message is success.
struct SignerError {
    QString message;
    QString details;  // e.g. what the signer printed last

    [[nodiscard]] bool failed() const { return !message.isEmpty(); }
};

// The seam between a press run and whatever signs its copies: a program
// started per number, or a key held in memory. Every call returns at once;
// its end arrives as a signal, possibly from another thread.
class Signer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False when no run can begin at all (no signer program at its path): the
    // run is refused without a word.
    [[nodiscard]] virtual bool canStart(const PressSettings& settings) const = 0;

    // True when sign() reads the copy from SigningTask::workFile.
    [[nodiscard]] virtual bool readsWorkFile() const = 0;

    // Gets ready for a run (finds and unlocks a key); ends with prepared().
    virtual void prepare(const PressSettings& settings) = 0;

    // Signs one copy into task.signedFile; ends with signingEnded().
    virtual void sign(const SigningTask& task) = 0;

    // Cuts short what prepare() or sign() is doing; its signal still follows.
    virtual void stop() = 0;

    // The run is over, whatever ended it: let go of what prepare() took.
    virtual void release() {}

Q_SIGNALS:
    void prepared(const sealmill::SignerError& error);
    void signingEnded(const sealmill::SignerError& error);
};

}  // namespace sealmill
