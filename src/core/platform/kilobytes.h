// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace sealmill {

// A byte count as whole kilobytes with one thousands comma: 16777216 bytes
// give "16,384 KB", 1 GiB gives "1048,576 KB". Below 1,000 KB there is
// nothing before the comma, so it is left out ("512 KB", "0 KB").
[[nodiscard]] QString kilobytesText(quint64 bytes);

}  // namespace sealmill
