// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "signerlocation.h"

#include "localbytes.h"
#include "pathrules.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace sealmill {

namespace {

constexpr QLatin1StringView kVariable{"PGPPATH"};
constexpr qsizetype kNameAndEquals = 8;

bool isWritableDirectory(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && info.isWritable();
}

// Only a-z are folded: the match must not depend on the locale.
QString asciiUpper(QString text) {
    for (QChar& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = QChar(c.unicode() - u'a' + u'A');
        }
    }
    return text;
}

}  // namespace

QStringList processEnvironmentBlock() {
#ifdef Q_OS_WIN
    return QProcessEnvironment::systemEnvironment().toStringList();
#else
    // environ keeps the block's order, which decides which entry is found first.
    QStringList block;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        block.append(decodeLocal(*entry));
    }
    return block;
#endif
}

QString signerPathFromEnvironment(const QStringList& environment) {
    QString chosen;
    for (const QString& entry : environment) {
        if (asciiUpper(entry).contains(kVariable)) {
            chosen = entry;
            break;
        }
    }
    const QString directory = chosen.mid(kNameAndEquals);
    if (!isExistingDirectory(directory)) {
        return signerFallbackPath();
    }
    return directory + pathSeparator() + kSignerFileName;
}

QString signerFallbackPath() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\");
#else
    return QStringLiteral("/");
#endif
}

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
    // An installed program's folder is the system's, even for root who may write there.
    const bool installed = QDir(programDirectory) == QDir(QStringLiteral(SEALMILL_INSTALL_BINDIR));
    if (!installed && isWritableDirectory(programDirectory)) {
        return programDirectory;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(isWritableDirectory(documents) ? documents : QDir::homePath());
}

}  // namespace sealmill
