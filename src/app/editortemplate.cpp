#include "editortemplate.h"

#include "sealmillerror.h"

#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

using sealmill::FileAccess;

namespace {

// Each line is its own edit block: inside one the cursor skips working out its
// x position, which would lay the block out at once; and a block spanning many
// lines would make the editor lay out every line between them again.
void replaceBlockText(const QTextBlock& block, const QString& text) {
    QTextCursor cursor(block);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.insertText(text);
    cursor.endEditBlock();
}

// Characters that the editor would turn into block breaks on insertion; a line
// holding one cannot be replaced in place.
bool breaksBlocks(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xfdd0) ||
               c == QChar(0xfdd1);
    });
}

}  // namespace

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
    replaceBlockText(editor_.document()->findBlockByNumber(index), text);
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
    if (!replaceChangedLines(text) || this->text() != text) {
        editor_.setPlainText(text);
    }
}

// A press run puts the template back after every number, and setPlainText
// would lay out the whole text each time; rewriting only the changed lines
// keeps that cheap. Ends as setPlainText does: no undo history, unmodified,
// caret at the start. False when the line structure differs.
bool EditorTemplate::replaceChangedLines(const QString& text) {
    const QStringList wanted = text.split(u'\n');
    QTextDocument& doc = *editor_.document();
    if (wanted.size() != doc.blockCount() || breaksBlocks(text)) {
        return false;
    }
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    QTextBlock block = doc.begin();
    for (const QString& line : wanted) {
        if (block.text() != line) {
            replaceBlockText(block, line);
        }
        block = block.next();
    }
    doc.setUndoRedoEnabled(undo);
    doc.setModified(false);
    editor_.setTextCursor(QTextCursor(&doc));
    editor_.ensureCursorVisible();
    return true;
}
