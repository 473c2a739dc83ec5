#include "templatefile.h"

#include "sealmillerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sealmill {

namespace {

QByteArray normaliseLineBreaks(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            out.append('\n');
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            out.append(c);
        }
    }
    return out;
}

}  // namespace

TemplateFileText decodeTemplateBytes(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (const qsizetype nul = view.indexOf('\0'); nul >= 0) {
        view = view.first(nul);
    }
    const QByteArray normalised = normaliseLineBreaks(view);

    // A byte-order mark is part of the file: keep it in the text so it saves back.
    // Stateless: a sequence cut short at the end is an error, not a dropped byte.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(normalised);
    if (!utf8.hasError()) {
        return {std::move(text), TextEncoding::Utf8};
    }
    return {QString::fromLatin1(normalised), TextEncoding::Latin1};
}

QByteArray encodeTemplateText(const QString& text, TextEncoding encoding) {
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
    if (encoding == TextEncoding::Utf8) {
        const QByteArray utf8 = text.toUtf8();
        for (const char c : utf8) {
            if (c == '\n') {
                out.append('\r');
            }
            out.append(c);
        }
        return out;
    }
    // Latin-1 documents keep their bytes; a character typed later that Latin-1
    // cannot hold is written as UTF-8 rather than lost.
    for (const QChar ch : text) {
        if (ch == u'\n') {
            out.append("\r\n");
        } else if (ch.unicode() <= 0xFF) {
            out.append(static_cast<char>(ch.unicode()));
        } else {
            out.append(QString(ch).toUtf8());
        }
    }
    return out;
}

namespace {

// Opens without waiting: a FIFO with no writer would block the open itself,
// and a device may never end. Only a regular file is taken.
bool openRegularFile(QFile& file) {
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    return true;
#else
    return QFileInfo(file.fileName()).isFile() && file.open(QIODevice::ReadOnly);
#endif
}

}  // namespace

TemplateFileText readTemplateFile(const QString& path, FileKinds kinds) {
    QFile file(path);
    const bool opened =
        kinds == FileKinds::RegularOnly ? openRegularFile(file) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        throw SealmillError(QStringLiteral("Cannot open file %1").arg(path));
    }
    return decodeTemplateBytes(file.readAll());
}

namespace {

SealmillError cannotCreate(const QString& path) {
    return SealmillError(QStringLiteral("Cannot create file %1").arg(path));
}

// Opening a FIFO that nobody reads would wait for a reader for ever; without
// waiting it fails at once instead. Writes then block as usual.
bool openInPlace(QFile& file) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(),
                          O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
        !file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
#endif
}

// A device or pipe is written in place: renaming a temporary file over it
// would replace the device node itself.
void writeInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!openInPlace(file)) {
        throw cannotCreate(path);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

// A private working copy is always a new file, owner-only before any byte
// lands. Whatever already has its name (a file of the user's, an output of
// this run, a link) is left alone and the copy fails. Nothing else depends on
// it surviving a crash, so it skips the flush to disk that an atomic save pays
// for (that flush cost more than the rest of a press run's own work per number).
void writePrivateCopy(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        throw cannotCreate(path);
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.remove();  // ours, and only part of the text
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

}  // namespace

void writeTemplateFile(const QString& path, const QByteArray& bytes, FileAccess access) {
    if (access == FileAccess::OwnerOnly) {
        writePrivateCopy(path, bytes);
        return;
    }
    if (const QFileInfo target(path); target.exists() && !target.isFile() && !target.isDir()) {
        writeInPlace(path, bytes);
        return;
    }
    // Unbuffered, so a short write shows in write()'s count: through Qt's
    // buffer a file-size limit cut the text short and still reported success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw cannotCreate(path);
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

}  // namespace sealmill
