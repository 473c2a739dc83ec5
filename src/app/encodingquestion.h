// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLatin1StringView>

class Dialogs;
class EditorTemplate;
class QWidget;

inline constexpr QLatin1StringView kSaveAsUtf8Question{
    "The text holds characters that Windows-1252 cannot store. Save the whole file as UTF-8?"};

// Whether the document's text can be written in its encoding now. A
// Windows-1252 document holding characters that code page lacks asks to become
// UTF-8: Yes switches it, No and Cancel leave it and answer false.
[[nodiscard]] bool settleFileEncoding(Dialogs& dialogs, QWidget* parent, EditorTemplate& document);
