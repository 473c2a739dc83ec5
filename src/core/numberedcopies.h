// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "templatefile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>

namespace sealmill {

inline constexpr QLatin1StringView kPlaceholder{"@SERIAL@"};

// True when some line of the text holds the placeholder.
[[nodiscard]] bool holdsPlaceholder(const QString& text);

// The numbered copies of one template, made from the run's own copy of its
// text: the first placeholder of every line becomes the number, everything
// else stays as the template file's bytes would be. The text is encoded once,
// in the pieces between the placeholders, so a copy of a large template costs
// about one write of it.
class NumberedCopies {
public:
    // Throws SealmillError when the encoding cannot store the text.
    explicit NumberedCopies(const TemplateFileText& text);

    // The template's own file bytes.
    [[nodiscard]] QByteArray templateBytes() const;

    // The copy for `serial` as consecutive pieces to write; valid until the
    // next call.
    [[nodiscard]] QList<QByteArrayView> pieces(qint64 serial);

    // The same copy in one piece.
    [[nodiscard]] QByteArray copy(qint64 serial);

private:
    TextEncoding encoding_;
    QList<QByteArray> between_;  // the bytes around the placeholders, one more than them
    QByteArray placeholderBytes_;
    QByteArray number_;
    QByteArray joined_;  // reused for templates with many numbered lines
};

}  // namespace sealmill
