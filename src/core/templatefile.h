#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace sealmill {

// How a template's bytes map to the editor's characters. UTF-8 files are shown
// as UTF-8; a file that is not valid UTF-8 is taken byte for byte (Latin-1), so
// that it saves back unchanged.
enum class TextEncoding { Utf8, Latin1 };

struct TemplateFileText {
    QString text;  // line breaks as '\n'
    TextEncoding encoding = TextEncoding::Utf8;
};

// Who may read a file that is written: the user's templates keep the usual
// permissions; temporary copies of the document are private to the owner and
// always new files, so they never replace anything already there.
enum class FileAccess { Shared, OwnerOnly };

// File bytes to text: cut at the first NUL, then every CR LF, lone CR and lone
// LF becomes one line break.
[[nodiscard]] TemplateFileText decodeTemplateBytes(QByteArray bytes);

// Text to file bytes: each line break becomes CR LF, nothing else is added.
[[nodiscard]] QByteArray encodeTemplateText(const QString& text, TextEncoding encoding);

// What a template may be read from. Opening a pipe waits for a writer, which
// a window must never do; a command line may be fed through one on purpose.
enum class FileKinds { RegularOnly, PipesToo };

// Throws SealmillError "Cannot open file <path>", also for a directory or a
// device, and for a pipe unless `kinds` allows it.
[[nodiscard]] TemplateFileText readTemplateFile(const QString& path,
                                                FileKinds kinds = FileKinds::RegularOnly);

// Replaces the file only once every byte is written, so a failure leaves the
// old file intact; an OwnerOnly copy fails instead when the name is taken.
// Throws "Cannot create file <path>" or "Stream write error".
void writeTemplateFile(const QString& path, const QByteArray& bytes,
                       FileAccess access = FileAccess::Shared);

// An OwnerOnly copy written from consecutive pieces, as if joined: a large
// text with a few pieces changed need not be copied into one buffer first.
void writePrivateTemplateFile(const QString& path, const QList<QByteArrayView>& pieces);

}  // namespace sealmill
