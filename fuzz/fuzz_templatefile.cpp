// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The template file decoder and the load-save round trip on any bytes.
#include "core/press/numberedcopies.h"
#include "core/text/templatefile.h"
#include "fuzzsupport.h"

#include <QByteArray>

namespace {

// What a load and a save make of a file that is not UTF-16: every CR LF, lone
// CR and lone LF written as one CR LF.
QByteArray normalised(QByteArray bytes) {
    return bytes.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
}

QString encodingName(sealmill::TextEncoding encoding) {
    switch (encoding) {
        case sealmill::TextEncoding::Utf8:
            return QStringLiteral("UTF-8");
        case sealmill::TextEncoding::Windows1252:
            return QStringLiteral("Windows-1252");
        case sealmill::TextEncoding::Utf16Le:
            return QStringLiteral("UTF-16LE");
        case sealmill::TextEncoding::Utf16Be:
            break;
    }
    return QStringLiteral("UTF-16BE");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sealmill;
    using fuzz::require;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const std::optional<TemplateFileText> loaded = decodeTemplateBytes(bytes);
    if (!loaded) {
        require(bytes.contains('\0'), "only bytes holding a NUL are refused");
        return 0;
    }
    require(!loaded->text.contains(u'\r') && !loaded->text.contains(QChar(0)),
            "the text holds no CR and no NUL");
    const bool utf16 =
        loaded->encoding == TextEncoding::Utf16Le || loaded->encoding == TextEncoding::Utf16Be;
    require(utf16 || !bytes.contains('\0'), "a NUL outside UTF-16 is refused");

    const std::optional<QByteArray> saved = encodeTemplateText(loaded->text, loaded->encoding);
    require(saved.has_value(), "a loaded text can be saved in its own encoding");
    require(utf16 ? saved->first(2) == bytes.first(2) : *saved == normalised(bytes),
            "save(load(bytes)) is the normalised bytes, a UTF-16 file with its mark",
            QStringLiteral("%1: saved %2")
                .arg(encodingName(loaded->encoding), QString::fromLatin1(saved->toHex(' '))));

    const std::optional<TemplateFileText> reloaded = decodeTemplateBytes(*saved);
    require(reloaded && reloaded->text == loaded->text && reloaded->encoding == loaded->encoding,
            "loading the saved file again changes nothing",
            encodingName(loaded->encoding) + QStringLiteral(" -> ") +
                (reloaded ? encodingName(reloaded->encoding) : QStringLiteral("refused")));

    // A press run's copies: the template's text, and for a number the text
    // with each line's first placeholder replaced, encoded as a save would
    // but for UTF-16, which the copies carry as UTF-8.
    const TextEncoding copyEncoding = utf16 ? TextEncoding::Utf8 : loaded->encoding;
    NumberedCopies copies(*loaded);
    require(copies.templateBytes() == encodeTemplateText(loaded->text, copyEncoding),
            "the run's template bytes are the text in the copies' encoding");
    QStringList lines = loaded->text.split(u'\n');
    for (QString& line : lines) {
        if (const qsizetype at = line.indexOf(kPlaceholder); at >= 0) {
            line.replace(at, kPlaceholder.size(), QStringLiteral("-42"));
        }
    }
    require(copies.copy(-42) == encodeTemplateText(lines.join(u'\n'), copyEncoding),
            "a copy is the text numbered line by line, in the copies' encoding");
    return 0;
}
