// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "core/text/templatefile.h"

#include "core/platform/systemencoding.h"
#include "core/sealmillerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Its five unassigned
// bytes stay the C1 controls Latin-1 gives them, so every byte round-trips.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    std::transform(bytes.cbegin(), bytes.cend(), text.begin(), [](char byte) {
        const auto code = static_cast<unsigned char>(byte);
        return QChar(code >= 0x80 && code < 0xA0 ? kWindows1252High[code - 0x80] : code);
    });
    return text;
}

// The byte of `ch`, or -1 when the code page has none.
int windows1252Byte(QChar ch) {
    const char16_t code = ch.unicode();
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return code;
    }
    const auto* const found = std::find(kWindows1252High.cbegin(), kWindows1252High.cend(), code);
    return found == kWindows1252High.cend() ? -1 : 0x80 + int(found - kWindows1252High.cbegin());
}

std::optional<QByteArray> toWindows1252(const QString& text) {
    QByteArray out(text.size() + text.count(u'\n'), Qt::Uninitialized);
    char* to = out.data();
    for (const QChar ch : text) {
        if (ch == u'\n') {
            *to++ = '\r';
            *to++ = '\n';
            continue;
        }
        const int byte = windows1252Byte(ch);
        if (byte < 0) {
            return std::nullopt;
        }
        *to++ = static_cast<char>(byte);
    }
    return out;
}

// Line by line rather than byte by byte: the whole text is written for every
// number of a press run.
QByteArray toUtf8(const QString& text) {
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

QStringConverter::Encoding utf16Of(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le ? QStringConverter::Utf16LE
                                             : QStringConverter::Utf16BE;
}

std::optional<TextEncoding> utf16Mark(QByteArrayView bytes) {
    if (bytes.startsWith("\xff\xfe")) {
        return TextEncoding::Utf16Le;
    }
    if (bytes.startsWith("\xfe\xff")) {
        return TextEncoding::Utf16Be;
    }
    return std::nullopt;
}

// A byte-order mark and then whole UTF-16 units; the mark is not part of the text.
std::optional<TemplateFileText> fromUtf16(const QByteArray& bytes) {
    const std::optional<TextEncoding> encoding = utf16Mark(bytes);
    if (!encoding) {
        return std::nullopt;
    }
    // A second mark is a character of the text, kept like the first is not.
    QStringDecoder decoder(utf16Of(*encoding), QStringDecoder::Flag::Stateless |
                                                   QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    if (decoder.hasError() || text.contains(QChar(0))) {
        return std::nullopt;
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return TemplateFileText{std::move(text), *encoding};
}

}  // namespace

std::optional<TemplateFileText> decodeTemplateBytes(QByteArray bytes) {
    if (auto utf16 = fromUtf16(bytes)) {
        return utf16;
    }
    if (bytes.contains('\0')) {
        return std::nullopt;
    }
    normaliseLineBreaks(bytes);

    // A UTF-8 byte-order mark is kept in the text, so it saves back.
    // Stateless: a sequence cut short at the end is an error, not a dropped byte.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return TemplateFileText{std::move(text), TextEncoding::Utf8};
    }
    return TemplateFileText{fromWindows1252(bytes), TextEncoding::Windows1252};
}

std::optional<QByteArray> encodeTemplateText(const QString& text, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
            return toUtf8(text);
        case TextEncoding::Windows1252:
            return toWindows1252(text);
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be:
            break;
    }
    QStringEncoder encoder(utf16Of(encoding), QStringEncoder::Flag::WriteBom);
    return QByteArray(encoder.encode(QString(text).replace(u'\n', QStringLiteral("\r\n"))));
}

QByteArray templateFileBytes(const QString& text, TextEncoding encoding) {
    std::optional<QByteArray> bytes = encodeTemplateText(text, encoding);
    if (!bytes) {
        throw SealmillError(
            QStringLiteral("The text holds characters that Windows-1252 cannot store"));
    }
    return *std::move(bytes);
}

namespace {

// Opens without waiting: a FIFO with no writer would block the open itself,
// and a device may never end. Only a regular file is taken, and with
// `pipesToo` a pipe, FIFO or device, whose reads then wait in waitForPipe().
bool openWithoutWaiting(QFile& file, bool pipesToo) {
    const int fd =
        ::open(encodeLocal(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 ||
        !(S_ISREG(status.st_mode) ||
          (pipesToo && (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)))) ||
        !file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    return true;
}

// Until the pipe has something to read (or its writer has closed it, once one
// came); false once `stopped` says so, which it is asked every tenth of a second.
bool waitForPipe(int fd, const std::function<bool()>& stopped) {
    constexpr int kStopPollMs = 100;
    for (;;) {
        if (stopped && stopped()) {
            return false;
        }
        pollfd polled{fd, POLLIN, 0};
        if (::poll(&polled, 1, kStopPollMs) > 0) {
            return true;
        }
    }
}

}  // namespace

TemplateFileText readTemplateFile(const QString& path, FileKinds kinds, qsizetype capacity,
                                  const std::function<bool()>& stopped) {
    QFile file(path);
    const bool opened = openWithoutWaiting(file, kinds == FileKinds::PipesToo);
    const auto cannotOpen = [&path] {
        return SealmillError(QStringLiteral("Cannot open file %1").arg(path));
    };
    if (!opened) {
        throw cannotOpen();
    }
    const auto tooLong = [] { return SealmillError(QStringLiteral("Text exceeds memo capacity")); };
    const auto noText = [&path] {
        return SealmillError(QStringLiteral("%1 is not a text file").arg(path));
    };
    // No text within the capacity takes more bytes than three a character (UTF-8
    // up to U+FFFF; a CR LF takes two for one, UTF-16 two and its mark), so a
    // larger file is refused unread. A pipe or a device tells no size and may
    // never end: it is read in blocks, never more than one byte past that.
    constexpr qsizetype kBlock = qsizetype{64} * 1024;
    const qsizetype mostBytes =
        std::min(capacity, std::numeric_limits<qsizetype>::max() / 4) * 3 + 2;
    QByteArray bytes;
    if (!file.isSequential()) {
        if (file.size() > mostBytes) {
            throw tooLong();
        }
        bytes.reserve(file.size() + kBlock);
    }
    for (;;) {
        const qsizetype at = bytes.size();
        const qsizetype room = std::min(kBlock, mostBytes + 1 - at);
        bytes.resize(at + room);
        if (file.isSequential() && !waitForPipe(file.handle(), stopped)) {
            throw cannotOpen();
        }
        const qint64 got = file.read(bytes.data() + at, room);
        if (got < 0) {
            throw cannotOpen();
        }
        bytes.resize(at + got);
        if (got == 0) {
            break;
        }
        if (bytes.size() > mostBytes) {
            throw tooLong();
        }
        // Binary data is refused at its first NUL, not after reading it all.
        if (!utf16Mark(bytes) && std::memchr(bytes.constData() + at, 0, got) != nullptr) {
            throw noText();
        }
    }
    std::optional<TemplateFileText> text = decodeTemplateBytes(std::move(bytes));
    if (!text) {
        throw noText();
    }
    if (text->text.size() > capacity) {
        throw tooLong();
    }
    return *std::move(text);
}

namespace {

SealmillError cannotCreate(const QString& path) {
    return SealmillError(QStringLiteral("Cannot create file %1").arg(path));
}

// Opening a FIFO that nobody reads would wait for a reader for ever; without
// waiting it fails at once instead. Writes then block as usual.
bool openInPlace(QFile& file) {
    const int fd = ::open(encodeLocal(file.fileName()).constData(),
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

void writeTemplateFile(const QString& path, const QByteArray& bytes) {
    if (const QFileInfo target(path); target.exists() && !target.isFile() && !target.isDir()) {
        writeInPlace(path, bytes);
        return;
    }
    // Unbuffered, so a short write shows in write()'s count: through Qt's
    // buffer a file-size limit cut the text short and still reported success.
    QSaveFile file(path);
    // A writable file in a directory that takes no new files can only be
    // written in place, with no safety net against a failure half-way.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw cannotCreate(path);
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        throw SealmillError(QStringLiteral("Stream write error"));
    }
}

}  // namespace sealmill
