// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/numberedcopies.h"

#include "core/sealmillerror.h"

namespace sealmill {

namespace {

// Up to this many pieces a copy is written piece by piece; beyond it one
// buffer costs less than the calls.
constexpr qsizetype kMostPiecesWritten = 64;

bool isUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

}  // namespace

bool holdsPlaceholder(const QString& text) {
    return text.contains(kPlaceholder);
}

NumberedCopies::NumberedCopies(const TemplateFileText& text)
    : encoding_(isUtf16(text.encoding) ? TextEncoding::Utf8 : text.encoding),
      convertsFromUtf16_(isUtf16(text.encoding)),
      placeholderBytes_(templateFileBytes(QString(kPlaceholder), encoding_)) {
    const QString& whole = text.text;
    qsizetype from = 0;
    qsizetype lineStart = 0;
    for (qsizetype at = whole.indexOf(kPlaceholder); at >= 0;
         at = whole.indexOf(kPlaceholder, lineStart)) {
        between_ << templateFileBytes(whole.sliced(from, at - from), encoding_);
        from = at + kPlaceholder.size();
        const qsizetype end = whole.indexOf(u'\n', from);
        if (end < 0) {
            break;
        }
        lineStart = end + 1;
    }
    between_ << templateFileBytes(whole.sliced(from), encoding_);
}

QByteArray NumberedCopies::templateBytes() const {
    return between_.join(placeholderBytes_);
}

void NumberedCopies::checkLineLengths(qint64 serial) {
    const QByteArray whole = copy(serial);
    qsizetype line = 1;
    for (qsizetype from = 0; from < whole.size(); ++line) {
        qsizetype end = whole.indexOf('\n', from);
        end = end < 0 ? whole.size() : end;
        const qsizetype length = end - from - (end > from && whole.at(end - 1) == '\r');
        if (length > kLongestSignedLine) {
            throw SealmillError(
                QStringLiteral("Line %1 of the copy for number %2 is %3 bytes long: a clear "
                               "signature carries lines of at most %4 bytes whole. Nothing was "
                               "pressed.")
                    .arg(line)
                    .arg(serial)
                    .arg(length)
                    .arg(kLongestSignedLine));
        }
        from = end + 1;
    }
}

QList<QByteArrayView> NumberedCopies::pieces(qint64 serial) {
    number_ = templateFileBytes(serialText(serial), encoding_);
    QList<QByteArrayView> pieces;
    pieces.reserve(between_.size() * 2 - 1);
    for (qsizetype i = 0; i < between_.size(); ++i) {
        if (i > 0) {
            pieces << QByteArrayView(number_);
        }
        pieces << QByteArrayView(between_.at(i));
    }
    if (pieces.size() <= kMostPiecesWritten) {
        return pieces;
    }
    joined_.resize(0);
    for (const QByteArrayView piece : std::as_const(pieces)) {
        joined_.append(piece);
    }
    return {QByteArrayView(joined_)};
}

QByteArray NumberedCopies::copy(qint64 serial) {
    QByteArray whole;
    for (const QByteArrayView piece : pieces(serial)) {
        whole.append(piece);
    }
    return whole;
}

}  // namespace sealmill
