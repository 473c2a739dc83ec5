// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/press/outputpath.h"

#include "core/platform/pathrules.h"
#include "core/text/placeholder.h"

#include <QDir>
#include <QRegularExpression>

namespace sealmill {

QString outputDirectory(const QString& text) {
    return text.endsWith(pathSeparator()) ? text : text + pathSeparator();
}

QString outputFilePath(const QString& outputDir, const QString& pattern, qint64 serial) {
    QString name = pattern;
    if (const qsizetype at = name.indexOf(kPlaceholder); at >= 0) {
        name.replace(at, kPlaceholder.size(), serialText(serial));
    } else {
        name.prepend(serialText(serial));
    }
    name.replace(u' ', u'_');
    return outputDir + name;
}

QString workFilePath(const QString& outputDir, qint64 serial) {
    return outputDir + QStringLiteral("Sealmill") + serialText(serial) + QStringLiteral(".tmp");
}

QString signedFilePath(const QString& outputDir, qint64 serial) {
    return outputDir + QStringLiteral("Sealmill") + serialText(serial) +
           QStringLiteral(".signed.tmp");
}

QString snapshotPath(const QString& outputDir) {
    return outputDir + QStringLiteral("SealmillTemplate.tmp");
}

bool isTemporaryName(const QString& name) {
    static const QRegularExpression kTemporary(
        QStringLiteral(R"(^Sealmill(\d+|\d+\.signed|Template)\.tmp$)"),
        QRegularExpression::CaseInsensitiveOption);
    return kTemporary.match(QDir::cleanPath(name)).hasMatch();
}

}  // namespace sealmill
