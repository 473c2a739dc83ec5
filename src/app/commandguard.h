// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>

class Dialogs;
class QWidget;

// Runs one command. A failure it does not handle itself ends the command and
// is shown in the default failure box; nothing is thrown on into Qt.
void runCommand(Dialogs& dialogs, QWidget* parent, const std::function<void()>& command);
