// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace sealmill {

// The platform's own path rules, in one place. On POSIX the separator is "/"
// and the root "/" stands where a Windows user sees a drive root; on Windows
// "\" and ":" both end a directory part.
[[nodiscard]] QChar pathSeparator();

// True for the characters after which the name part of a path begins.
[[nodiscard]] bool endsDirectoryPart(QChar c);

// What follows the last separator (or ":" on Windows); the whole path if none.
[[nodiscard]] QString namePart(const QString& path);

// True only for an existing plain file (a directory is not a file).
[[nodiscard]] bool isExistingFile(const QString& path);

// True when the system can take the path as a file name: in the bytes it is
// passed as, shorter than PATH_MAX (which counts the final NUL) and no part
// between separators longer than NAME_MAX.
[[nodiscard]] bool fitsPathLimits(const QString& path);

// True when the path names an existing directory; false for "" too.
[[nodiscard]] bool isExistingDirectory(const QString& path);

}  // namespace sealmill
