// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLatin1StringView>
#include <QString>

namespace sealmill {

// What the template and the name pattern hold where each copy's number goes.
inline constexpr QLatin1StringView kPlaceholder{"@SERIAL@"};

// A serial number as it enters texts and file names: plain decimal.
[[nodiscard]] inline QString serialText(qint64 serial) {
    return QString::number(serial);
}

}  // namespace sealmill
