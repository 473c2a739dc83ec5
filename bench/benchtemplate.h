// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// A template file of a given size: CR LF lines of about 60 characters, the
// placeholder in a few of them, spread over the text.
struct BenchTemplate {
    QByteArray bytes;
    QByteArrayList pieces;  // the bytes cut at each placeholder

    BenchTemplate(qsizetype size, int placeholderLines);

    // Writes the template to a file; false on failure.
    [[nodiscard]] bool writeTo(const QString& path) const;
};

// The median of measured values (the values are reordered).
[[nodiscard]] double median(QList<double> values);
