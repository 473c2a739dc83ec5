// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/platform/pathrules.h"

#include "core/platform/systemencoding.h"

#include <sys/stat.h>
#include <QByteArrayList>
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

namespace {

// The path's own bytes, as fitsPathLimits counts them: Qt's file classes
// would change those that are not UTF-8.
bool statOf(const QString& path, struct stat& status) {
    return !path.isEmpty() && ::stat(encodeLocal(path).constData(), &status) == 0;
}

}  // namespace

bool isExistingFile(const QString& path) {
    struct stat status {};
    return statOf(path, status) && !S_ISDIR(status.st_mode);
}

bool isExistingDirectory(const QString& path) {
    struct stat status {};
    return statOf(path, status) && S_ISDIR(status.st_mode);
}

}  // namespace sealmill
