// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace sealmill {

// True when anything is at `path`: a file, a directory, a link (dangling or
// not), a pipe. The path is taken as its exact bytes (see encodeLocal) and a
// link at it is not followed.
[[nodiscard]] bool isNameTaken(const QString& path);

}  // namespace sealmill
