// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/verify/copyproblem.h"

#include <QList>
#include <QString>

namespace sealmill {

// The files in `outputDir` (with its separator) that should not be there: those
// whose names the pattern gives a number outside `first` to `last`, and the
// temporary files of an interrupted run; sorted by number. Reads the folder's
// names only. Throws SealmillError when the folder cannot be read.
[[nodiscard]] QList<CopyProblem> strayFiles(const QString& outputDir, const QString& pattern,
                                            qint64 first, qint64 last);

}  // namespace sealmill
