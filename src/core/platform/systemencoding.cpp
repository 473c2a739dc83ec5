// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/systemencoding.h"

namespace sealmill {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence at the start of `bytes`, or 0.
qsizetype validSequenceLength(QByteArrayView bytes) {
    const auto lead = static_cast<unsigned char>(bytes.front());
    int length = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    char32_t value = lead & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value >= lowest && value <= 0x10FFFF && !surrogate ? length : 0;
}

}  // namespace

QString decodeLocal(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype plainFrom = 0;
    qsizetype at = 0;
    const auto flushPlain = [&] {
        text += QString::fromUtf8(bytes.sliced(plainFrom, at - plainFrom));
    };
    while (at < bytes.size()) {
        if (const qsizetype length = validSequenceLength(bytes.sliced(at)); length > 0) {
            at += length;
            continue;
        }
        flushPlain();
        text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
        plainFrom = ++at;
    }
    flushPlain();
    return text;
}

namespace {

// Hands the bytes of `text` to `append` piece by piece.
template <typename Append>
void encodePieces(QStringView text, const Append& append) {
    qsizetype plainFrom = 0;
    const auto flushPlain = [&](qsizetype end) {
        if (end > plainFrom) {
            append(text.sliced(plainFrom, end - plainFrom).toUtf8());
        }
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at].unicode();
        const bool pairedLow = at > 0 && text[at - 1].isHighSurrogate();
        if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF && !pairedLow) {
            flushPlain(at);
            append(QByteArray(1, static_cast<char>(unit - kEscapeBase)));
            plainFrom = at + 1;
        }
    }
    flushPlain(text.size());
}

}  // namespace

QByteArray encodeLocal(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    encodePieces(text, [&bytes](const QByteArray& piece) { bytes += piece; });
    return bytes;
}

QString showLocal(QStringView text) {
    QString shown;
    shown.reserve(text.size());
    encodePieces(text, [&shown](const QByteArray& piece) {
        const bool escaped = piece.size() == 1 && static_cast<unsigned char>(piece.front()) >= 0x80;
        shown += escaped ? QStringLiteral("\\x%1").arg(static_cast<unsigned char>(piece.front()), 2,
                                                       16, QLatin1Char('0'))
                         : QString::fromUtf8(piece);
    });
    return shown;
}

SecretBytes encodeLocalSecret(QStringView text) {
    SecretBytes bytes;
    encodePieces(text, [&bytes](QByteArray piece) {
        bytes.append(piece);
        wipeMemory(piece.data(), piece.size());
    });
    return bytes;
}

}  // namespace sealmill
