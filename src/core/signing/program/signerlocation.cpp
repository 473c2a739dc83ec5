// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/signing/program/signerlocation.h"

#include "core/platform/pathrules.h"
#include "core/platform/systemencoding.h"

#include <unistd.h>

namespace sealmill {

namespace {

constexpr QLatin1StringView kVariable{"PGPPATH"};
constexpr qsizetype kNameAndEquals = 8;

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
    // environ keeps the block's order, which decides which entry is found first.
    QStringList block;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        block.append(decodeLocal(*entry));
    }
    return block;
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
    return QStringLiteral("/");
}

}  // namespace sealmill
