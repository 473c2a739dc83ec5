// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace sealmill {

// A failure that ends the command that met it. Whatever runs the command turns
// it into the default failure box; the message carries no final full stop.
// The details, when there are any, say more for whoever asks (which file, why).
class SealmillError : public std::exception {
public:
    explicit SealmillError(QString message, QString details = {});

    [[nodiscard]] const QString& message() const noexcept { return message_; }
    [[nodiscard]] const QString& details() const noexcept { return details_; }
    [[nodiscard]] const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QString details_;
    QByteArray utf8_;
};

}  // namespace sealmill
