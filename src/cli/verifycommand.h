// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "pressoptions.h"

// Runs sealmill-press --verify with checked options: checks the pressed files
// of the range against the template and the key, prints one line per problem
// and a summary; returns its exit status.
[[nodiscard]] int runVerifyCommand(const PressOptions& options);
