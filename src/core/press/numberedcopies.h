// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/text/placeholder.h"
#include "core/text/templatefile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>

namespace sealmill {

// The longest line, in bytes and its line break aside, that every signer
// carries whole in a clear signature: gpg, and every signer program built on
// it, cuts a longer line of the text it signs without a word.
inline constexpr qsizetype kLongestSignedLine = 19992;

// True when some line of the text holds the placeholder.
[[nodiscard]] bool holdsPlaceholder(const QString& text);

// The numbered copies of one template, made from the run's own copy of its
// text: the first placeholder of every line becomes the number, everything
// else stays as the template file's bytes would be, but for UTF-16: the
// cleartext signature carries UTF-8 only, so a UTF-16 template's copies are
// UTF-8, with no byte-order mark and the same line breaks. The text is encoded once,
// in the pieces between the placeholders, so a copy of a large template costs
// about one write of it.
class NumberedCopies {
public:
    // Throws SealmillError when the encoding cannot store the text.
    explicit NumberedCopies(const TemplateFileText& text);

    // The template's text in the copies' encoding.
    [[nodiscard]] QByteArray templateBytes() const;

    // True when the template is UTF-16 and its copies UTF-8.
    [[nodiscard]] bool convertsFromUtf16() const { return convertsFromUtf16_; }

    // Throws SealmillError naming the first line of the copy for `serial` that
    // is longer than kLongestSignedLine. The copy with the most digits holds
    // the longest lines.
    void checkLineLengths(qint64 serial);

    // The copy for `serial` as consecutive pieces to write; valid until the
    // next call.
    [[nodiscard]] QList<QByteArrayView> pieces(qint64 serial);

    // The same copy in one piece.
    [[nodiscard]] QByteArray copy(qint64 serial);

private:
    TextEncoding encoding_;  // of the copies
    bool convertsFromUtf16_ = false;
    QList<QByteArray> between_;  // the bytes around the placeholders, one more than them
    QByteArray placeholderBytes_;
    QByteArray number_;
    QByteArray joined_;  // reused for templates with many numbered lines
};

}  // namespace sealmill
