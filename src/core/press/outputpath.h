// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QtGlobal>

namespace sealmill {

// The run's output directory: the text with a separator at the end.
[[nodiscard]] QString outputDirectory(const QString& text);

// The output file of `serial`: the pattern with its first "@SERIAL@" replaced
// by the number (or the number in front when there is none), spaces in it
// turned into "_", behind `outputDir`. The directory is kept as it is, so a
// directory with a space in its name receives the files.
[[nodiscard]] QString outputFilePath(const QString& outputDir, const QString& pattern,
                                     qint64 serial);

// "Sealmill<n>.tmp", "Sealmill<n>.signed.tmp" and "SealmillTemplate.tmp" in
// `outputDir`: the copy a signer program reads, the signed copy before it is
// published, and the mark of a run in progress.
[[nodiscard]] QString workFilePath(const QString& outputDir, qint64 serial);
[[nodiscard]] QString signedFilePath(const QString& outputDir, qint64 serial);
[[nodiscard]] QString snapshotPath(const QString& outputDir);

// True when `name`, a path relative to the output directory, leads to one of
// those names in the directory itself, in any mix of capitals (a file system
// may ignore case).
[[nodiscard]] bool isTemporaryName(const QString& name);

}  // namespace sealmill
