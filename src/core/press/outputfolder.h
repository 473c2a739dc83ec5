// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sys/types.h>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace sealmill {

// An open file of the run, closed when this goes.
class OpenFile {
public:
    OpenFile() = default;
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept : fd_(other.release()) {}
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

enum class Publication { Published, NameTaken };

// A press run's output folder, opened once: every file of the run is made,
// judged, published and removed relative to that open folder, so a folder
// renamed or replaced meanwhile never splits a run between two places. Names
// are relative to the folder and taken as their exact bytes (see encodeLocal);
// no operation follows a symbolic link at the name it is given. Messages name
// files by the folder's path as the user gave it.
class OutputFolder {
public:
    // `directory` ends with a separator (see outputDirectory). Throws
    // "Cannot open folder <directory>: <why>".
    explicit OutputFolder(const QString& directory);
    ~OutputFolder();
    Q_DISABLE_COPY_MOVE(OutputFolder)

    [[nodiscard]] const QString& path() const { return path_; }
    [[nodiscard]] QString pathOf(const QString& name) const { return path_ + name; }

    // True when anything is at `name`: a file, a directory, a link (dangling
    // or not), a pipe.
    [[nodiscard]] bool isNameTaken(const QString& name) const;

    // Throws, naming what happened, when the folder's path no longer leads to
    // the folder this run opened: it was removed, or renamed or replaced.
    void checkInPlace() const;

    // A new owner-only file, written from consecutive pieces as if joined.
    // Whatever already has the name is left alone. Throws "Cannot create file
    // <path>: <why>", or "Stream write error" (the part written is removed).
    void writeNewFile(const QString& name, const QList<QByteArrayView>& pieces) const;

    // A signed copy to publish: the new file `name` with `bytes`, readable as
    // the user's umask has it, or the plain file a signer program left there
    // (an empty one when it is missing, empty or no plain file). Either way
    // its bytes are on their way to disk when this returns; makeDurable()
    // waits for them. Throws as writeNewFile does.
    [[nodiscard]] OpenFile writeSignedCopy(const QString& name, QByteArrayView bytes) const;
    [[nodiscard]] OpenFile openSignedCopy(const QString& name) const;

    // Returns when the bytes of the file open as `file` are on disk; throws
    // "Stream write error". Like makeAllDurable(), safe on any thread.
    void makeDurable(int file, const QString& name) const;
    // Returns when every file written in the folder's file system is on
    // disk, with one wait for the disk where makeDurable() for each file
    // would wait once per file; throws "Stream write error".
    void makeAllDurable() const;

    // Moves `from` (whose bytes are on disk, open as `file`) to `to` unless
    // something is at `to` by then, checked and done in one step: a name that
    // appears meanwhile is never replaced. Where the file system can neither
    // rename without replacing nor link, `to` is created exclusively, written
    // and flushed instead (see publishesAtomically). Throws "Cannot create
    // file <path>: <why>".
    [[nodiscard]] Publication publish(const OpenFile& file, const QString& from, const QString& to);

    // False once a publication had to copy the bytes to a new file: a crash
    // in the middle could leave part of a copy under its output name.
    [[nodiscard]] bool publishesAtomically() const { return atomic_; }

    // Puts the folder's entries (the published names) on disk; throws
    // "Stream write error".
    void flushEntries() const;

    // Never fails: a name already gone is fine.
    void remove(const QString& name) const noexcept;

private:
    [[nodiscard]] OpenFile createFile(const QString& name, mode_t mode) const;
    [[nodiscard]] Publication copyExclusively(const OpenFile& file, const QString& from,
                                              const QString& to);

    QString path_;
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool atomic_ = true;
};

}  // namespace sealmill
