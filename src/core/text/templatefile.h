// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace sealmill {

// How a template's bytes map to the editor's characters. A file that starts
// with a UTF-16 byte-order mark is UTF-16 and keeps its mark; any other file
// that is valid UTF-8 is UTF-8; the rest is the Windows code page 1252, whose
// every byte maps to a character and back.
enum class TextEncoding { Utf8, Windows1252, Utf16Le, Utf16Be };

// The most characters of a template: a 64 MiB file of ASCII text. The editor
// spends several hundred bytes on every line it holds, so this is about where
// a desktop's memory, not the editor, sets the limit.
inline constexpr qsizetype kTemplateCapacity = qsizetype{64} * 1024 * 1024;

struct TemplateFileText {
    QString text;  // line breaks as '\n'
    TextEncoding encoding = TextEncoding::Utf8;
};

// File bytes to text: every CR LF, lone CR and lone LF becomes one line break.
// Empty for bytes that are no text: a NUL outside UTF-16.
[[nodiscard]] std::optional<TemplateFileText> decodeTemplateBytes(QByteArray bytes);

// Text to file bytes: each line break becomes CR LF, a UTF-16 text gets its
// byte-order mark, nothing else is added. Empty when the encoding cannot store
// one of the characters, which only Windows-1252 can fail to do.
[[nodiscard]] std::optional<QByteArray> encodeTemplateText(const QString& text,
                                                           TextEncoding encoding);

// The same bytes; throws SealmillError when the encoding cannot store the text.
[[nodiscard]] QByteArray templateFileBytes(const QString& text, TextEncoding encoding);

// What a template may be read from. A pipe waits for its writer, which a
// window must never do; a command line may be fed through one on purpose.
enum class FileKinds { RegularOnly, PipesToo };

// Throws SealmillError "Cannot open file <path>", also for a directory or a
// device, for a pipe unless `kinds` allows it, and when `stopped`, asked while
// a pipe is waited for, returns true; "Text exceeds memo
// capacity" for a text of more than `capacity` characters, before reading a
// file too large to hold fewer; "<path> is not a text file" for a NUL outside
// UTF-16, found as it is read.
[[nodiscard]] TemplateFileText readTemplateFile(const QString& path,
                                                FileKinds kinds = FileKinds::RegularOnly,
                                                qsizetype capacity = kTemplateCapacity,
                                                const std::function<bool()>& stopped = {});

// Replaces the file only once every byte is written, so a failure leaves the
// old file intact; only a directory that takes no new files has the file
// written in place. Throws "Cannot create file <path>" or "Stream write error".
void writeTemplateFile(const QString& path, const QByteArray& bytes);

}  // namespace sealmill
