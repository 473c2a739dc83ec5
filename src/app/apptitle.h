// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLatin1StringView>

namespace sealmill {

// The application title: task bar, main window caption and failure box caption.
inline constexpr QLatin1StringView kApplicationTitle{"Sealmill"};

}  // namespace sealmill
