// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/startfolders.h"

#include "core/platform/pathrules.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sealmill {

namespace {

bool isWritableDirectory(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

// Both resolved, so a home reached through a link still holds its folders. A
// home at the root ("/", as some services have) holds none but itself.
bool liesInside(const QString& path, const QString& folder) {
    const QString inner = QFileInfo(path).canonicalFilePath();
    const QString outer = QFileInfo(folder).canonicalFilePath();
    return !inner.isEmpty() && !outer.isEmpty() &&
           (inner == outer || inner.startsWith(outer + u'/'));
}

}  // namespace

QString programDirectory(const QString& programFile) {
    qsizetype end = programFile.size();
    while (end > 0 && !endsDirectoryPart(programFile[end - 1])) {
        --end;
    }
    QString kept = programFile.left(end);
    const qsizetype last = kept.size() - 1;
    if (last > 0 && kept[last] == pathSeparator() && kept[last - 1] != u':' &&
        kept[last - 1] != pathSeparator()) {
        kept.chop(1);
    }
    return kept;
}

QString defaultOutputDirectory(const QString& programDirectory) {
    // Outside the home the program's folder is the system's (/usr/bin, /opt/...),
    // even for root, who may write there.
    if (liesInside(programDirectory, QDir::homePath()) && isWritableDirectory(programDirectory)) {
        return programDirectory;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(isWritableDirectory(documents) ? documents : QDir::homePath());
}

}  // namespace sealmill
