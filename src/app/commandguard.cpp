// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandguard.h"

#include "core/sealmillerror.h"
#include "dialogs.h"

#include <QString>

void runCommand(Dialogs& dialogs, QWidget* parent, const std::function<void()>& command) {
    QString failure;
    try {
        command();
        return;
    } catch (const sealmill::SealmillError& error) {
        failure = error.message();
    } catch (const std::bad_alloc&) {
        failure = QStringLiteral("Out of memory");
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    dialogs.message(parent, {MessageKind::Failure, failure + u'.', MessageButton::Ok, {}});
}
