// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLatin1StringView>

class Dialogs;
class EditorTemplate;
class QWidget;

// The question before a save, and before a press run, which writes its copies
// as a save would.
inline constexpr QLatin1StringView kSaveAsUtf8Question{
    "The text holds characters that Windows-1252 cannot store. Save the whole file as UTF-8?"};
inline constexpr QLatin1StringView kPressAsUtf8Question{
    "The template holds characters that Windows-1252, the encoding it was opened in, cannot "
    "store.\n\nYes: the copies are pressed in UTF-8, and from now on the template is saved as "
    "UTF-8 too.\nNo or Cancel: nothing is pressed."};

// Whether the document's text can be written in its encoding now. A
// Windows-1252 document holding characters that code page lacks asks
// `question`: Yes makes it a UTF-8 document (its copies and every later save
// are UTF-8; such a text was typed, so the document is changed and the next
// Save or the question on closing writes it); No and Cancel leave it and
// answer false.
[[nodiscard]] bool settleFileEncoding(Dialogs& dialogs, QWidget* parent, EditorTemplate& document,
                                      QLatin1StringView question = kSaveAsUtf8Question);
