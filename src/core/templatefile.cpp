#include "templatefile.h"

#include "sealmillerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sealmill {

namespace {

// CR LF and lone CR become LF, in place: the text only gets shorter. Whole
// stretches between two CRs move at once, so a large file costs about a copy.
void normaliseLineBreaks(QByteArray& bytes) {
    const qsizetype first = bytes.indexOf('\r');
    if (first < 0) {
        return;
    }
    char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* from = begin + first;
    char* to = begin + first;
    while (from != nullptr) {
        *to++ = '\n';
        ++from;
        if (from != end && *from == '\n') {
            ++from;
        }
        const auto* next = static_cast<const char*>(std::memchr(from, '\r', end - from));
        const char* stretchEnd = next != nullptr ? next : end;
        std::memmove(to, from, stretchEnd - from);
        to += stretchEnd - from;
        from = next;
    }
    bytes.truncate(to - begin);
}

}  // namespace

TemplateFileText decodeTemplateBytes(QByteArray bytes) {
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        bytes.truncate(nul);
    }
    normaliseLineBreaks(bytes);

    // A byte-order mark is part of the file: keep it in the text so it saves back.
    // Stateless: a sequence cut short at the end is an error, not a dropped byte.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return {std::move(text), TextEncoding::Utf8};
    }
    return {QString::fromLatin1(bytes), TextEncoding::Latin1};
}

QByteArray encodeTemplateText(const QString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        // Line by line rather than byte by byte: the whole text is written for
        // every number of a press run.
        const QByteArray utf8 = text.toUtf8();
        const auto breaks = std::count(utf8.cbegin(), utf8.cend(), '\n');
        QByteArray out(utf8.size() + breaks, Qt::Uninitialized);
        char* to = out.data();
        QByteArrayView rest(utf8);
        for (qsizetype at = rest.indexOf('\n'); at >= 0; at = rest.indexOf('\n')) {
            to = std::copy_n(rest.data(), at, to);
            *to++ = '\r';
            *to++ = '\n';
            rest = rest.sliced(at + 1);
        }
        std::copy_n(rest.data(), rest.size(), to);
        return out;
    }
    // Latin-1 documents keep their bytes; a character typed later that Latin-1
    // cannot hold is written as UTF-8 rather than lost.
    QByteArray out;
    out.reserve(text.size() + text.size() / 16);
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

}  // namespace

// A private working copy is always a new file, owner-only before any byte
// lands. Whatever already has its name (a file of the user's, an output of
// this run, a link) is left alone and the copy fails. Nothing else depends on
// it surviving a crash, so it skips the flush to disk that an atomic save pays
// for (that flush cost more than the rest of a press run's own work per number).
void writePrivateTemplateFile(const QString& path, const QList<QByteArrayView>& pieces) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        throw cannotCreate(path);
    }
    const bool written = std::all_of(pieces.cbegin(), pieces.cend(), [&file](QByteArrayView piece) {
        return file.write(piece.data(), piece.size()) == piece.size();
    });
    if (!written || !file.flush()) {
        file.remove();  // ours, and only part of the text
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

void writeTemplateFile(const QString& path, const QByteArray& bytes, FileAccess access) {
    if (access == FileAccess::OwnerOnly) {
        writePrivateTemplateFile(path, {QByteArrayView(bytes)});
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
