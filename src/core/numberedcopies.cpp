// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "numberedcopies.h"

#include "outputpath.h"

namespace sealmill {

namespace {

// Up to this many pieces a copy is written piece by piece; beyond it one
// buffer costs less than the calls.
constexpr qsizetype kMostPiecesWritten = 64;

// A piece of the text in the file's encoding. Only the file's start carries
// a UTF-16 byte-order mark.
QByteArray encodePiece(const QString& text, TextEncoding encoding, bool atStart) {
    QByteArray bytes = templateFileBytes(text, encoding);
    const bool marked = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
    if (marked && !atStart) {
        bytes.remove(0, 2);
    }
    return bytes;
}

}  // namespace

bool holdsPlaceholder(const QString& text) {
    return text.contains(kPlaceholder);
}

NumberedCopies::NumberedCopies(const TemplateFileText& text)
    : encoding_(text.encoding),
      placeholderBytes_(encodePiece(QString(kPlaceholder), text.encoding, false)) {
    const QString& whole = text.text;
    qsizetype from = 0;
    qsizetype lineStart = 0;
    for (qsizetype at = whole.indexOf(kPlaceholder); at >= 0;
         at = whole.indexOf(kPlaceholder, lineStart)) {
        between_ << encodePiece(whole.sliced(from, at - from), encoding_, from == 0);
        from = at + kPlaceholder.size();
        const qsizetype end = whole.indexOf(u'\n', from);
        if (end < 0) {
            break;
        }
        lineStart = end + 1;
    }
    between_ << encodePiece(whole.sliced(from), encoding_, from == 0);
}

QByteArray NumberedCopies::templateBytes() const {
    return between_.join(placeholderBytes_);
}

QList<QByteArrayView> NumberedCopies::pieces(qint64 serial) {
    number_ = encodePiece(serialText(serial), encoding_, false);
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
