#include "editortemplate.h"

#include "sealmillerror.h"

#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using sealmill::FileAccess;

EditorTemplate::EditorTemplate(QPlainTextEdit& editor) : editor_(editor) {
}

int EditorTemplate::lineCount() const {
    const QTextDocument& doc = *editor_.document();
    // A block's length counts its break; the last block's counts one too.
    const bool emptyLast = doc.lastBlock().length() <= 1;
    return doc.blockCount() - (emptyLast ? 1 : 0);
}

QString EditorTemplate::line(int index) const {
    if (index < 0 || index >= lineCount()) {
        return {};
    }
    return editor_.document()->findBlockByNumber(index).text();
}

void EditorTemplate::replaceLine(int index, const QString& text) {
    if (index < 0 || index >= lineCount()) {
        return;
    }
    const QTextBlock block = editor_.document()->findBlockByNumber(index);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

void EditorTemplate::saveToFile(const QString& path, FileAccess access) const {
    writeTemplateFile(path, encodeTemplateText(text(), encoding_), access);
}

void EditorTemplate::loadFromFile(const QString& path) {
    sealmill::TemplateFileText loaded = sealmill::readTemplateFile(path);
    setText(loaded.text);
    encoding_ = loaded.encoding;
}

QString EditorTemplate::text() const {
    // toPlainText() would turn non-breaking spaces into spaces; the raw text
    // keeps every character and marks block ends with paragraph separators.
    QString raw = editor_.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    return raw;
}

void EditorTemplate::restoreText(const QString& text) {
    setText(text);
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

void EditorTemplate::setText(const QString& text) {
    if (text == this->text()) {
        return;  // caret, selection and scroll position stay
    }
    if (text.size() > capacity_) {
        throw sealmill::SealmillError(QStringLiteral("Text exceeds memo capacity"));
    }
    // One repaint for the whole text, also if the editor throws.
    editor_.setUpdatesEnabled(false);
    const auto resume = qScopeGuard([this] { editor_.setUpdatesEnabled(true); });
    editor_.setPlainText(text);
}
