// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/outputfiles.h"

#include "core/platform/systemencoding.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace sealmill {

bool isNameTaken(const QString& path) {
    struct stat status {};
    return ::lstat(encodeLocal(path).constData(), &status) == 0;
}

}  // namespace sealmill
