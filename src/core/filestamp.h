#pragma once

#include <QString>
#include <QtGlobal>

namespace sealmill {

// What tells one state of a file from another without reading it: which file
// the name leads to, its size and its times. A write, a replacement, a removal
// or a change of kind all change the stamp.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    quint32 mode = 0;  // kind and permissions
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

[[nodiscard]] FileStamp fileStamp(const QString& path);

}  // namespace sealmill
