// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace sealmill {

// The process's environment as "NAME=value" entries, in the block's own order.
[[nodiscard]] QStringList processEnvironmentBlock();

// The file name appended to the signer's directory.
inline constexpr QLatin1StringView kSignerFileName{"PGP.EXE"};

// The default signer path. The first entry that contains "PGPPATH" anywhere
// (letters a-z compared in upper case) wins, even OLDPGPPATH=... or a PATH
// value naming such a folder; its first 8 characters are cut and the rest,
// if it names a directory, gets a separator and "PGP.EXE" (a value already
// ending in a separator keeps the doubled one). Otherwise the root directory.
[[nodiscard]] QString signerPathFromEnvironment(const QStringList& environment);

// The root the signer path falls back to: "/" on POSIX, "C:\" on Windows.
[[nodiscard]] QString signerFallbackPath();

// The directory part of the program's own file: without a final separator,
// except where that separator is the whole root ("/", "C:\").
[[nodiscard]] QString programDirectory(const QString& programFile);

// The folder a press run starts with: the program's directory when the user
// may write there (a build tree, a portable copy), otherwise the user's
// documents folder when it exists and is writable, otherwise the home folder.
[[nodiscard]] QString defaultOutputDirectory(const QString& programDirectory);

}  // namespace sealmill
