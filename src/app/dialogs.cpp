// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs.h"

#include "apptitle.h"

QString messageCaption(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return QStringLiteral("Warning");
        case MessageKind::Error:
            return QStringLiteral("Error");
        case MessageKind::Information:
            return QStringLiteral("Information");
        case MessageKind::Confirmation:
            return QStringLiteral("Confirm");
        case MessageKind::Plain:
        case MessageKind::Failure:
            break;
    }
    return sealmill::kApplicationTitle;
}

MessageButton escapeAnswer(MessageButtons buttons) {
    if (buttons.testFlag(MessageButton::Cancel)) {
        return MessageButton::Cancel;
    }
    if (buttons.testFlag(MessageButton::No)) {
        return MessageButton::No;
    }
    return MessageButton::Ok;
}

MessageButton defaultAnswer(MessageButtons buttons) {
    return buttons.testFlag(MessageButton::Ok) ? MessageButton::Ok : MessageButton::Yes;
}
