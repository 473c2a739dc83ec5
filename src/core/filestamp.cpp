#include "filestamp.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace sealmill {

FileStamp fileStamp(const QString& path) {
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat status {};
    // The name itself, not what a link planted there points to.
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return stamp;
    }
    constexpr qint64 kNsPerSecond = 1000000000;
    stamp.exists = true;
    stamp.device = static_cast<quint64>(status.st_dev);
    stamp.inode =
        static_cast<quint64>(status.st_ino) ^ (static_cast<quint64>(status.st_mode) << 48);
    stamp.size = status.st_size;
    stamp.modifiedNs = status.st_mtim.tv_sec * kNsPerSecond + status.st_mtim.tv_nsec;
    stamp.changedNs = status.st_ctim.tv_sec * kNsPerSecond + status.st_ctim.tv_nsec;
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        return stamp;
    }
    stamp.exists = true;
    stamp.mode = info.isFile() ? 1 : 2;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp.changedNs = info.birthTime().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
}

}  // namespace sealmill
