// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "outputfiles.h"

#include "localbytes.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace sealmill {

#ifdef Q_OS_UNIX

bool isNameTaken(const QString& path) {
    struct stat status {};
    return ::lstat(encodeLocal(path).constData(), &status) == 0;
}

#else

bool isNameTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

#endif

}  // namespace sealmill
