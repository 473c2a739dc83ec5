// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace sealmill {

// done / total * 100, each step rounded to a 64-bit significand (to nearest),
// then rounded to an integer with ties to even: 8 numbers give 12, 25, 38, 50,
// 62, 75, 88, 100. `total` must be positive; the result is not clamped.
[[nodiscard]] qint64 progressPosition(qint64 done, qint64 total);

// "<done> of <total> processed"
[[nodiscard]] QString progressStatus(qint64 done, qint64 total);

}  // namespace sealmill
