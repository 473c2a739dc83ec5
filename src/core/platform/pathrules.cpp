// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/pathrules.h"

#include "core/platform/systemencoding.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>

namespace sealmill {

QChar pathSeparator() {
    return u'/';
}

bool endsDirectoryPart(QChar c) {
    return c == u'/';
}

QString namePart(const QString& path) {
    for (qsizetype i = path.size(); i > 0; --i) {
        if (endsDirectoryPart(path[i - 1])) {
            return path.mid(i);
        }
    }
    return path;
}

bool fitsPathLimits(const QString& path) {
    const QByteArray bytes = encodeLocal(path);
    const QByteArrayList parts = bytes.split('/');
    return bytes.size() < PATH_MAX &&
           std::none_of(parts.cbegin(), parts.cend(),
                        [](const QByteArray& part) { return part.size() > NAME_MAX; });
}

bool isExistingFile(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool isExistingDirectory(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace sealmill
