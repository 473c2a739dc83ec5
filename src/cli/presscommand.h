// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/platform/secretbytes.h"
#include "pressoptions.h"

#include <QString>
#include <optional>

// Runs sealmill-press with checked options, inside the application's event
// loop; returns its exit status. `passphraseVariable` is what
// takePassphraseVariable() took at start-up.
[[nodiscard]] int runPressCommand(const PressOptions& options,
                                  std::optional<sealmill::SecretBytes> passphraseVariable);

// An error as a user reads it on a terminal: the box's carriage returns become
// line breaks, the details follow indented, and control characters in either
// (a signer's escape sequences) are shown, not obeyed.
[[nodiscard]] QString errorText(const QString& text, const QString& details);
