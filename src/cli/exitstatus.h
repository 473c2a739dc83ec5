// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/press/exitstatus.h"

// sealmill-press names its exit statuses without the namespace.
using enum sealmill::ExitStatus;
