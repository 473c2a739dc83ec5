// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pathrules.h"

#include "localbytes.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>

namespace sealmill {

QChar pathSeparator() {
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

bool endsDirectoryPart(QChar c) {
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/' || c == u':';
#else
    return c == u'/';
#endif
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
#ifdef Q_OS_WIN
    // MAX_PATH, and one name's limit, in UTF-16 units.
    constexpr qsizetype kPathMax = 260;
    constexpr qsizetype kNameMax = 255;
    const QStringList parts = QString(path).replace(u'/', u'\\').split(u'\\');
    return path.size() < kPathMax &&
           std::none_of(parts.cbegin(), parts.cend(),
                        [](const QString& part) { return part.size() > kNameMax; });
#else
    const QByteArray bytes = encodeLocal(path);
    const QByteArrayList parts = bytes.split('/');
    return bytes.size() < PATH_MAX &&
           std::none_of(parts.cbegin(), parts.cend(),
                        [](const QByteArray& part) { return part.size() > NAME_MAX; });
#endif
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
