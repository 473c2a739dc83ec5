// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArrayList>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

// A `gpg` on PATH that writes its process id and arguments (one a line) into
// the files `pid` and `args` next to it, then does what `body` says.
class FakeGpg {
public:
    explicit FakeGpg(const QByteArray& body) {
        const QByteArray script = "#!/bin/sh\necho $$ > '" + QFile::encodeName(dir_.path()) +
                                  "/pid'\nprintf '%s\\n' \"$@\" >> '" +
                                  QFile::encodeName(dir_.path()) + "/args'\n" + body + '\n';
        QFile file(dir_.filePath(QStringLiteral("gpg")));
        if (file.open(QIODevice::WriteOnly) && file.write(script) == script.size()) {
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(dir_.path()) + ':' + path_);
    }
    ~FakeGpg() { qputenv("PATH", path_); }
    Q_DISABLE_COPY_MOVE(FakeGpg)

    [[nodiscard]] QString program() const { return dir_.filePath(QStringLiteral("gpg")); }
    [[nodiscard]] bool started() const {
        return QFile::exists(dir_.filePath(QStringLiteral("pid")));
    }
    // False once the process it started as has gone (and been reaped).
    [[nodiscard]] bool running() const {
        QFile file(dir_.filePath(QStringLiteral("pid")));
        const int pid = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
        return pid > 0 && ::kill(pid, 0) == 0;
    }
    [[nodiscard]] QByteArrayList arguments() const {
        QFile file(dir_.filePath(QStringLiteral("args")));
        return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList();
    }

private:
    QTemporaryDir dir_;
    QByteArray path_ = qgetenv("PATH");
};
