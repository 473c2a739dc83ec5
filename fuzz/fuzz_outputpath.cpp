// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Output paths from any directory text, name pattern and serial number.
// Input: directory text NUL serial NUL pattern.
#include "core/platform/pathrules.h"
#include "core/press/numberedcopies.h"
#include "core/press/outputpath.h"
#include "fuzzsupport.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sealmill;
    using fuzz::require;
    const QList<QString> input = fuzz::fields(data, size, 3);
    const QString& dirText = input.at(0);
    bool isNumber = false;
    const qint64 parsed = input.at(1).toLongLong(&isNumber);
    const qint64 serial = isNumber ? parsed : input.at(1).size();
    const QString& pattern = input.at(2);

    const QString dir = outputDirectory(dirText);
    if (dirText.isEmpty()) {
        return 0;
    }
    require(dir == dirText + pathSeparator() || (dir == dirText && dir.endsWith(pathSeparator())),
            "the directory is the text, with a separator at the end", dir);
    require(
        namePart(workFilePath(dir, serial)) == workFilePath(dir, serial).mid(dir.size()) &&
            namePart(signedFilePath(dir, serial)) == signedFilePath(dir, serial).mid(dir.size()) &&
            namePart(snapshotPath(dir)) == snapshotPath(dir).mid(dir.size()),
        "temporary files lie directly in the directory");

    const QString path = outputFilePath(dir, pattern, serial);
    require(path.startsWith(dir), "the directory is kept as it is, spaces included", path);
    const QString name = path.mid(dir.size());
    require(!name.contains(u' '), "no space in the name", name);

    // The name is the pattern with its first placeholder (or its front) holding
    // the number, and every space of the pattern an underscore.
    const QString number = serialText(serial);
    require(number.toLongLong() == serial, "the number reads back", number);
    const qsizetype at = pattern.indexOf(kPlaceholder);
    const qsizetype numberAt = at >= 0 ? at : 0;
    const qsizetype patternRest = at >= 0 ? at + kPlaceholder.size() : 0;
    QString withUnderscores = pattern;
    withUnderscores.replace(u' ', u'_');
    require(name.mid(numberAt, number.size()) == number &&
                name.left(numberAt) == withUnderscores.left(numberAt) &&
                name.mid(numberAt + number.size()) == withUnderscores.mid(patternRest),
            "only the first placeholder and the spaces change", name);

    // A name with no separator stays directly inside the directory: it always
    // holds the number, so it is never empty, "." or "..".
    bool hasSeparator = false;
    for (const QChar c : pattern) {
        hasSeparator = hasSeparator || endsDirectoryPart(c);
    }
    if (!hasSeparator) {
        require(namePart(path) == name && !name.isEmpty() && name != u"." && name != u"..",
                "a name without a separator stays in the directory", path);
    }
    return 0;
}
