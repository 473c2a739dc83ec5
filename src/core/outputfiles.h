// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace sealmill {

// The file operations of a press run in its output directory. Paths are taken
// as their exact bytes (see encodeLocal), and no operation follows a symbolic
// link at the name it is given.

// True when anything is at `path`: a file, a directory, a link (dangling or
// not), a pipe.
[[nodiscard]] bool isNameTaken(const QString& path);

// The size of the plain file at `path`, or -1 when it is none.
[[nodiscard]] qint64 plainFileSize(const QString& path);

enum class NewFileAccess { OwnerOnly, Usual };

// A new file, written from consecutive pieces as if joined; owner-only before
// any byte lands, or as the user's umask has it. Whatever already has the name
// is left alone. Throws "Cannot create file <path>", or "Stream write error"
// (the part written is removed).
void writeNewFile(const QString& path, const QList<QByteArrayView>& pieces,
                  NewFileAccess access = NewFileAccess::OwnerOnly);

enum class Publication { Published, NameTaken, Failed };

// Moves `from` to `to` unless something is at `to` by then, checked and done
// in one step: a name that appears meanwhile is never replaced.
[[nodiscard]] Publication publishNoReplace(const QString& from, const QString& to);

// Never fails: a name already gone is fine.
void removeFile(const QString& path);

}  // namespace sealmill
