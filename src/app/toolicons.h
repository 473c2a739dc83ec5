#pragma once

#include <QIcon>

class QStyle;

enum class ToolPicture { New, Open, Save, Cut, Copy, Paste, Press, About };

// A picture for a tool button where the desktop's icon theme has none.
[[nodiscard]] QIcon fallbackToolIcon(ToolPicture picture, const QStyle& style);
