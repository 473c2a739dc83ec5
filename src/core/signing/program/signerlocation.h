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

// The root the signer path falls back to.
[[nodiscard]] QString signerFallbackPath();

}  // namespace sealmill
