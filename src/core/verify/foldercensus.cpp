// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/verify/foldercensus.h"

#include "core/platform/systemencoding.h"
#include "core/press/outputpath.h"
#include "core/sealmillerror.h"
#include "core/text/placeholder.h"

#include <dirent.h>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace sealmill {

namespace {

// The output names of the pattern, as outputFilePath() makes them: a plain
// decimal number, no leading zero.
QRegularExpression outputNames(const QString& pattern) {
    const qsizetype at = pattern.indexOf(kPlaceholder);
    const QString before = at < 0 ? QString() : pattern.first(at);
    const QString after = at < 0 ? pattern : pattern.sliced(at + kPlaceholder.size());
    const auto escaped = [](QString part) {
        return QRegularExpression::escape(part.replace(u' ', u'_'));
    };
    return QRegularExpression(QRegularExpression::anchoredPattern(
        escaped(before) + QStringLiteral("([1-9][0-9]{0,17})") + escaped(after)));
}

const QRegularExpression& leftoverNames() {
    static const QRegularExpression names(
        QStringLiteral(R"(\ASealmill(?:Template|([1-9][0-9]{0,17})(?:\.signed)?)\.tmp\z)"));
    return names;
}

// Calls `take` with every name in `folder`; throws when the folder cannot be read.
void forEachName(const QString& folder, const std::function<void(const QString&)>& take) {
    const auto failed = [&folder] {
        return SealmillError(QStringLiteral("Cannot read the folder %1: %2")
                                 .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    };
    DIR* dir = ::opendir(encodeLocal(folder).constData());
    if (dir == nullptr) {
        throw failed();
    }
    const auto closeIt = qScopeGuard([dir] { ::closedir(dir); });
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        take(decodeLocal(entry->d_name));
    }
    if (errno != 0) {
        throw failed();
    }
}

}  // namespace

QList<CopyProblem> strayFiles(const QString& outputDir, const QString& pattern, qint64 first,
                              qint64 last) {
    // A pattern with a folder in it names files in that folder.
    const QString folder = QFileInfo(outputFilePath(outputDir, pattern, first)).path() + u'/';
    const QRegularExpression outputs = outputNames(pattern.sliced(pattern.lastIndexOf(u'/') + 1));
    const QString range = QStringLiteral("%1 to %2").arg(first).arg(last);
    QList<CopyProblem> found;
    const auto add = [&found](qint64 serial, const QString& file, Problem problem,
                              const QString& detail) {
        CopyProblem stray;
        stray.serial = serial;
        stray.file = file;
        stray.problem = problem;
        stray.detail = detail;
        found << stray;
    };
    const auto takeOutput = [&](const QString& name) {
        const QRegularExpressionMatch match = outputs.match(name);
        const qint64 serial = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        if (match.hasMatch() && (serial < first || serial > last)) {
            add(serial, folder + name, Problem::Extra, range);
        }
    };
    const bool sameFolder = QFileInfo(folder) == QFileInfo(outputDir);
    forEachName(outputDir, [&](const QString& name) {
        if (const QRegularExpressionMatch leftover = leftoverNames().match(name);
            leftover.hasMatch()) {
            add(leftover.captured(1).toLongLong(), outputDir + name, Problem::Leftover, {});
        } else if (sameFolder) {
            takeOutput(name);
        }
    });
    if (!sameFolder) {
        forEachName(folder, takeOutput);
    }
    std::stable_sort(found.begin(), found.end(), [](const CopyProblem& a, const CopyProblem& b) {
        return a.serial < b.serial;
    });
    return found;
}

}  // namespace sealmill
