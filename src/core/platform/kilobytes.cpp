// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/kilobytes.h"

namespace sealmill {

QString kilobytesText(quint64 bytes) {
    QString digits = QString::number(bytes / 1024U);
    if (digits.size() > 3) {
        digits.insert(digits.size() - 3, QLatin1Char(','));
    }
    return digits + QStringLiteral(" KB");
}

}  // namespace sealmill
