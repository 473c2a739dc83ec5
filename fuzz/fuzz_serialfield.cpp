// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Reading a serial field: any text, checked against a reading built on
// std::from_chars, and every number read back from its own decimal form.
#include "core/press/outputpath.h"
#include "core/press/serialfield.h"
#include "core/text/placeholder.h"
#include "fuzzsupport.h"

#include <charconv>
#include <optional>
#include <string>

namespace {

// The field rule restated with the standard library: leading spaces, then
// "$" and hex digits as a 32-bit pattern, or an optionally signed decimal.
std::optional<qint32> referenceReading(const QString& text) {
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ') {
        ++start;
    }
    const QString rest = text.mid(start);
    for (const QChar c : rest) {
        if (c.unicode() > 0x7F) {
            return std::nullopt;  // digits, signs and "$" are all ASCII
        }
    }
    std::string ascii = rest.toStdString();
    bool hex = false;
    if (!ascii.empty() && ascii.front() == '$') {
        hex = true;
        ascii.erase(0, 1);
    } else if (!ascii.empty() && ascii.front() == '+') {
        ascii.erase(0, 1);
        if (!ascii.empty() && ascii.front() == '-') {
            return std::nullopt;  // from_chars would take this second sign
        }
    }
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    if (hex) {
        quint32 pattern = 0;
        const auto [end, error] = std::from_chars(first, last, pattern, 16);
        if (error != std::errc() || end != last) {
            return std::nullopt;
        }
        return static_cast<qint32>(pattern);
    }
    qint32 value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

QString shown(std::optional<qint32> number) {
    return number ? QString::number(*number) : QStringLiteral("none");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using sealmill::fuzz::require;
    const QString text = sealmill::fuzz::fields(data, size, 1).constFirst();
    const std::optional<qint32> number = sealmill::readSerialField(text);
    const std::optional<qint32> expected = referenceReading(text);
    require(number == expected, "the field reads as the reference reading does",
            QStringLiteral("'%1': read %2, expected %3").arg(text, shown(number), shown(expected)));
    if (number) {
        const QString written = sealmill::serialText(*number);
        require(sealmill::readSerialField(written) == number,
                "a number reads back from its own decimal form", written);
    }
    return 0;
}
