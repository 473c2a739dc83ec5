// The template file decoder and the load-save round trip on any bytes.
#include "fuzzsupport.h"
#include "numberedcopies.h"
#include "templatefile.h"

#include <QByteArray>

namespace {

// What a load and a save make of a file: the bytes up to the first NUL, with
// every CR LF, lone CR and lone LF written as one CR LF.
QByteArray normalised(QByteArray bytes) {
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0) {
        bytes.truncate(nul);
    }
    return bytes.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
}

QString encodingName(sealmill::TextEncoding encoding) {
    return encoding == sealmill::TextEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                    : QStringLiteral("Latin-1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace sealmill;
    using fuzz::require;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const TemplateFileText loaded = decodeTemplateBytes(bytes);
    require(!loaded.text.contains(u'\r') && !loaded.text.contains(QChar(0)),
            "the text holds no CR and no NUL");

    const QByteArray saved = encodeTemplateText(loaded.text, loaded.encoding);
    require(saved == normalised(bytes), "save(load(bytes)) is the normalised bytes",
            QStringLiteral("%1: saved %2")
                .arg(encodingName(loaded.encoding), QString::fromLatin1(saved.toHex(' '))));

    const TemplateFileText reloaded = decodeTemplateBytes(saved);
    require(
        reloaded.text == loaded.text && reloaded.encoding == loaded.encoding,
        "loading the saved file again changes nothing",
        encodingName(loaded.encoding) + QStringLiteral(" -> ") + encodingName(reloaded.encoding));

    // A press run's copies: the template's own bytes, and for a number the
    // text with each line's first placeholder replaced, encoded as a save would.
    NumberedCopies copies(loaded);
    require(copies.templateBytes() == saved, "the run's template bytes are the saved bytes");
    QStringList lines = loaded.text.split(u'\n');
    for (QString& line : lines) {
        if (const qsizetype at = line.indexOf(kPlaceholder); at >= 0) {
            line.replace(at, kPlaceholder.size(), QStringLiteral("-42"));
        }
    }
    require(copies.copy(-42) == encodeTemplateText(lines.join(u'\n'), loaded.encoding),
            "a copy is the text numbered line by line, encoded as a save would");
    return 0;
}
