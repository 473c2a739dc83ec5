// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pathrules.h"

#include <QFileInfo>

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
