// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <optional>

namespace sealmill {

// A serial field's number: leading spaces, then an optionally signed decimal
// in the 32-bit range or "$" and hexadecimal digits taken as a 32-bit pattern,
// and nothing after it. Anything else has no number.
[[nodiscard]] std::optional<qint32> readSerialField(const QString& text);

// "'<text>' is not a valid integer value"
[[nodiscard]] QString invalidIntegerMessage(const QString& text);

}  // namespace sealmill
