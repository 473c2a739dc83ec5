// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "core/text/templatefile.h"

#include <QByteArray>
#include <QString>

class QPlainTextEdit;

// The template document as held by the main window's editor: its text is the
// editor's, its flags the editor's own. Keeps the encoding of the last file
// loaded so the document saves back in it.
class EditorTemplate final {
public:
    explicit EditorTemplate(QPlainTextEdit& editor) : editor_(editor) {}
    ~EditorTemplate() = default;
    Q_DISABLE_COPY_MOVE(EditorTemplate)

    // Throws what writeTemplateFile and templateFileBytes throw.
    void saveToFile(const QString& path) const;
    // Throws what readTemplateFile throws, or "Text exceeds memo capacity"; the
    // editor is untouched then, and also when the file holds its very text.
    void loadFromFile(const QString& path);
    // The bytes a save writes; throws when the encoding cannot store the text.
    [[nodiscard]] QByteArray fileBytes() const;
    // Line breaks as '\n', every other character as the editor holds it.
    [[nodiscard]] QString text() const;

    // A new document: empty, UTF-8.
    void clear();

    [[nodiscard]] bool isModified() const;
    void setModified(bool modified);

    [[nodiscard]] sealmill::TextEncoding encoding() const { return encoding_; }
    void setEncoding(sealmill::TextEncoding encoding) { encoding_ = encoding; }
    void setCapacity(qsizetype characters) { capacity_ = characters; }

private:
    QPlainTextEdit& editor_;
    sealmill::TextEncoding encoding_ = sealmill::TextEncoding::Utf8;
    qsizetype capacity_ = sealmill::kTemplateCapacity;  // characters
};
