// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "benchtemplate.h"

#include <QFile>
#include <algorithm>

namespace {
constexpr QByteArrayView kPlaceholder{"@SERIAL@"};
constexpr qsizetype kLineLength = 60;  // with its CR LF
}  // namespace

BenchTemplate::BenchTemplate(qsizetype size, int placeholderLines) {
    const qsizetype lines = std::max<qsizetype>(1, size / kLineLength);
    bytes.reserve(lines * kLineLength);
    int placed = 0;
    for (qsizetype i = 0; i < lines; ++i) {
        // Placeholder k goes in the middle of the k-th of equal stretches.
        const bool marked =
            placed < placeholderLines &&
            i >= (2 * placed + 1) * lines / (2 * static_cast<qsizetype>(placeholderLines));
        QByteArray line = marked ? QByteArray("Copy No. @SERIAL@ of the offer, line ")
                                 : QByteArray("An ordinary line of the offer text, line ");
        line += QByteArray::number(i);
        line += QByteArray(kLineLength - 2 - line.size(), '.');
        line += "\r\n";
        bytes += line;
        placed += marked ? 1 : 0;
    }
    qsizetype from = 0;
    for (qsizetype at = bytes.indexOf(kPlaceholder); at >= 0;
         at = bytes.indexOf(kPlaceholder, from)) {
        pieces << bytes.mid(from, at - from);
        from = at + kPlaceholder.size();
    }
    pieces << bytes.mid(from);
}

bool BenchTemplate::writeTo(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

double median(QList<double> values) {
    if (values.isEmpty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 == 1 ? values.at(mid) : (values.at(mid - 1) + values.at(mid)) / 2;
}
