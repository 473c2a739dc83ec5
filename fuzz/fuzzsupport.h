// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace sealmill::fuzz {

// The input as `count` texts (UTF-8) separated by NUL bytes; the last one takes
// the rest, NULs included, and missing ones are empty. Seed files stay readable
// and every field can hold any other byte, line breaks too.
inline QList<QString> fields(const uint8_t* data, size_t size, int count) {
    QByteArrayView rest(data, static_cast<qsizetype>(size));
    QList<QString> out;
    for (int i = 0; i + 1 < count; ++i) {
        const qsizetype nul = rest.indexOf('\0');
        if (nul < 0) {
            out.append(QString::fromUtf8(rest));
            rest = {};
            continue;
        }
        out.append(QString::fromUtf8(rest.first(nul)));
        rest = rest.sliced(nul + 1);
    }
    out.append(QString::fromUtf8(rest));
    return out;
}

// A broken property is a finding: say which one and abort, so libFuzzer keeps
// the input that broke it.
inline void require(bool holds, const char* property, const QString& detail = {}) {
    if (holds) {
        return;
    }
    std::fprintf(stderr, "property broken: %s\n%s\n", property, qUtf8Printable(detail));
    std::abort();
}

}  // namespace sealmill::fuzz
