// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "encodingquestion.h"

#include "dialogs.h"
#include "editortemplate.h"

bool settleFileEncoding(Dialogs& dialogs, QWidget* parent, EditorTemplate& document) {
    // Only Windows-1252 lacks characters; a large text is not encoded for nothing.
    if (document.encoding() != sealmill::TextEncoding::Windows1252 ||
        sealmill::encodeTemplateText(document.text(), document.encoding())) {
        return true;
    }
    const MessageButton answer =
        dialogs.message(parent, {MessageKind::Confirmation,
                                 kSaveAsUtf8Question,
                                 MessageButton::Yes | MessageButton::No | MessageButton::Cancel,
                                 {}});
    if (answer != MessageButton::Yes) {
        return false;
    }
    document.setEncoding(sealmill::TextEncoding::Utf8);
    return true;
}
