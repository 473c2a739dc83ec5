// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <utility>

namespace sealmill {

// Every signer refuses such a pass phrase in prepare(): the system ends a
// program's argument at a NUL, and RNP ends a password there.
inline constexpr QLatin1StringView kNulInPassPhrase{
    "The pass phrase holds a NUL character, which no signer can take"};

// What a signer takes once per run, in prepare().
struct SigningSetup {
    QString keyId;           // as the run starts; a signer program reads it per number
    SecretBytes passPhrase;  // in the local encoding: the signer keeps it until release()
};

// What a signer is handed for one number.
struct SigningTask {
    qint64 serial = 0;
    QByteArray copy;     // the numbered copy, in the template file's bytes
    QString workFile;    // the copy on disk, written for signers that read a file
    QString signedFile;  // where a signer program puts the signed copy: a private temporary name
    QString program;     // the settings as they read at this number
    QString keyId;
};

// How a signer's prepare() or sign() ended.
struct SignerResult {
    enum class Status { Succeeded, Failed };

    [[nodiscard]] static SignerResult succeeded(QString details = {}) {
        return {Status::Succeeded, {}, std::move(details)};
    }
    [[nodiscard]] static SignerResult failed(QString message, QString details = {}) {
        return {Status::Failed, std::move(message), std::move(details)};
    }

    Status status = Status::Failed;  // a result nobody filled in is no success
    QString message;                 // why it failed, as the error box shows it
    QString details;                 // e.g. what the signer printed last, on success too
};

// The seam between a press run and whatever signs its copies: a program
// started per number, or a key held in memory. Every call returns at once;
// its end arrives as a signal, possibly from another thread.
class Signer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False when no run can begin at all (no signer program at `program`, the
    // path the settings name): the run is refused.
    [[nodiscard]] virtual bool canStart(const QString& program) const = 0;

    // True when sign() reads the copy from SigningTask::workFile.
    [[nodiscard]] virtual bool readsWorkFile() const = 0;

    // How many sign() calls may be under way at once; when more than one,
    // their ends may arrive in any order.
    [[nodiscard]] virtual int concurrentSigns() const { return 1; }

    // Gets ready for a run (takes the pass phrase, finds and unlocks a key);
    // ends with prepared().
    virtual void prepare(SigningSetup setup) = 0;

    // Signs one copy, into task.signedFile or in memory; ends with
    // signingEnded() for task.serial.
    virtual void sign(const SigningTask& task) = 0;

    // Cuts short what prepare() or sign() is doing; their signals still follow.
    virtual void stop() = 0;

    // The run is over, whatever ended it: let go of what prepare() took.
    virtual void release() {}

Q_SIGNALS:
    void prepared(const sealmill::SignerResult& result);
    // `signedCopy` holds the signed copy when it was made in memory; empty
    // when a signer program wrote it to task.signedFile.
    void signingEnded(qint64 serial, const sealmill::SignerResult& result,
                      const QByteArray& signedCopy);
};

}  // namespace sealmill
