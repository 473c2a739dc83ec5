// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace sealmill {

// The directory part of the program's own file: without a final separator,
// except where that separator is the whole root ("/", "C:\").
[[nodiscard]] QString programDirectory(const QString& programFile);

// The folder a press run starts with: the program's directory when it lies
// inside the user's home and the user may write there (a build tree, a private
// copy), otherwise the user's documents folder when it exists and is writable,
// otherwise the home folder. An installed program never presses into a system
// folder, whoever runs it.
[[nodiscard]] QString defaultOutputDirectory(const QString& programDirectory);

}  // namespace sealmill
