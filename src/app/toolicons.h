// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>

class QStyle;

enum class ToolPicture { New, Open, Save, Cut, Copy, Paste, Press, About };

// A picture for a tool button where the desktop's icon theme has none.
[[nodiscard]] QIcon fallbackToolIcon(ToolPicture picture, const QStyle& style);
