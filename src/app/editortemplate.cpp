// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "editortemplate.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QByteArray EditorTemplate::fileBytes() const {
    return templateFileBytes(text(), encoding_);
}

void EditorTemplate::saveToFile(const QString& path) const {
    sealmill::writeTemplateFile(path, fileBytes());
}

void EditorTemplate::loadFromFile(const QString& path) {
    const sealmill::TemplateFileText loaded =
        sealmill::readTemplateFile(path, sealmill::FileKinds::RegularOnly, capacity_);
    if (loaded.text != text()) {  // else caret, selection and scroll position stay
        editor_.setPlainText(loaded.text);
    }
    encoding_ = loaded.encoding;
}

QString EditorTemplate::text() const {
    // toPlainText() would turn non-breaking spaces into spaces; the raw text
    // keeps every character and marks block ends with paragraph separators.
    QString text = editor_.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void EditorTemplate::clear() {
    editor_.clear();
    encoding_ = sealmill::TextEncoding::Utf8;
}

bool EditorTemplate::isModified() const {
    return editor_.document()->isModified();
}

void EditorTemplate::setModified(bool modified) {
    editor_.document()->setModified(modified);
}
