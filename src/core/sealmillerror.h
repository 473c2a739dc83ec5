#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace sealmill {

// A failure that ends the command that met it. Whatever runs the command turns
// it into the default failure box; the message carries no final full stop.
class SealmillError : public std::exception {
public:
    explicit SealmillError(QString message);

    [[nodiscard]] const QString& message() const noexcept { return message_; }
    [[nodiscard]] const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

}  // namespace sealmill
