// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/serialfield.h"

#include <limits>

namespace sealmill {

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<qint32> readSerialField(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ') {
        ++i;
    }
    if (i < text.size() && text[i] == u'$') {
        ++i;
        if (i == text.size()) {
            return std::nullopt;
        }
        quint64 value = 0;
        for (; i < text.size(); ++i) {
            const int digit = hexDigit(text[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<quint64>(digit);
            if (value > std::numeric_limits<quint32>::max()) {
                return std::nullopt;
            }
        }
        return static_cast<qint32>(static_cast<quint32>(value));  // a 32-bit pattern
    }

    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size()) {
        return std::nullopt;
    }
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < u'0' || u > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (u - u'0');
        if (value > qint64{std::numeric_limits<qint32>::max()} + 1) {
            return std::nullopt;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(value);
}

QString invalidIntegerMessage(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

}  // namespace sealmill
