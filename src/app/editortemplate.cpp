#include "editortemplate.h"

#include "sealmillerror.h"

#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>

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

// How far `a` from `i` and `b` from `j` agree: the offset of the first
// difference, where one of them ends if that comes first, or -1 when both end
// together without one. Compared in blocks of memory first: a press run
// compares the whole template after every number.
qsizetype firstDifference(QStringView a, qsizetype i, QStringView b, qsizetype j) {
    const qsizetype common = std::min(a.size() - i, b.size() - j);
    constexpr qsizetype kBlock = 4096;
    qsizetype k = 0;
    while (k + kBlock <= common &&
           std::memcmp(a.data() + i + k, b.data() + j + k, kBlock * sizeof(QChar)) == 0) {
        k += kBlock;
    }
    const QChar* const from = a.data() + i + k;
    k += std::mismatch(from, a.data() + i + common, b.data() + j + k).first - from;
    if (k == common && a.size() - i == b.size() - j) {
        return -1;
    }
    return k;
}

qsizetype lineEnd(QStringView text, qsizetype from) {
    const qsizetype end = text.indexOf(u'\n', from);
    return end < 0 ? text.size() : end;
}

}  // namespace

EditorTemplate::EditorTemplate(QPlainTextEdit& editor) : editor_(editor) {
    forgetText_ =
        QObject::connect(editor_.document(), &QTextDocument::contentsChange, &editor_, [this] {
            textKnown_ = false;
            text_.clear();
            ++changes_;
        });
}

EditorTemplate::~EditorTemplate() {
    QObject::disconnect(forgetText_);
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

QByteArray EditorTemplate::fileBytes() const {
    return templateFileBytes(text(), encoding_);
}

void EditorTemplate::saveToFile(const QString& path, FileAccess access) const {
    writeTemplateFile(path, fileBytes(), access);
}

void EditorTemplate::loadFromFile(const QString& path) {
    sealmill::TemplateFileText loaded =
        sealmill::readTemplateFile(path, sealmill::FileKinds::RegularOnly, capacity_);
    setText(loaded.text);
    if (encoding_ != loaded.encoding) {
        encoding_ = loaded.encoding;
        ++changes_;
    }
}

QString EditorTemplate::text() const {
    if (!textKnown_) {
        // toPlainText() would turn non-breaking spaces into spaces; the raw text
        // keeps every character and marks block ends with paragraph separators.
        text_ = editor_.document()->toRawText();
        text_.replace(QChar::ParagraphSeparator, u'\n');
        textKnown_ = true;
    }
    return text_;
}

QList<int> EditorTemplate::linesHolding(QLatin1StringView needle) const {
    const QString all = text();
    QList<int> found;
    int line = 0;
    qsizetype lineStart = 0;
    for (qsizetype at = all.indexOf(needle); at >= 0; at = all.indexOf(needle, lineStart)) {
        line += static_cast<int>(std::count(all.cbegin() + lineStart, all.cbegin() + at, u'\n'));
        found << line;
        lineStart = lineEnd(all, at) + 1;
        ++line;
    }
    return found;
}

void EditorTemplate::restoreText(const QString& text) {
    setText(text);
}

void EditorTemplate::clear() {
    editor_.clear();
    encoding_ = sealmill::TextEncoding::Utf8;
    ++changes_;
}

void EditorTemplate::setEncoding(sealmill::TextEncoding encoding) {
    if (encoding_ != encoding) {
        encoding_ = encoding;
        ++changes_;
    }
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
    if (replaceChangedLines(text) && editor_.document()->characterCount() == text.size() + 1) {
        // The lines put in hold no breaks, so the document now holds exactly
        // this text: no need to read it back.
        text_ = text;
        textKnown_ = true;
    } else {
        editor_.setPlainText(text);
    }
}

// A press run puts the template back after every number, and setPlainText
// would lay out the whole text each time; rewriting only the changed lines
// keeps that cheap. The changed lines are found by comparing the two texts,
// not line by line. Ends as setPlainText does: no undo history, unmodified,
// caret at the start. False when the line structure differs.
bool EditorTemplate::replaceChangedLines(const QString& text) {
    const QString current = this->text();
    QTextDocument& doc = *editor_.document();
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    const auto resumeUndo = qScopeGuard([&doc, undo] { doc.setUndoRedoEnabled(undo); });
    qsizetype i = 0;      // a line start in the current text
    qsizetype j = 0;      // the same line's start in the wanted text
    qsizetype shift = 0;  // how far the document's positions moved by the lines replaced
    for (qsizetype k = firstDifference(current, i, text, j); k >= 0;
         k = firstDifference(current, i, text, j)) {
        qsizetype start = i + k;
        while (start > i && current.at(start - 1) != u'\n') {
            --start;
        }
        const qsizetype wantedStart = j + (start - i);
        const qsizetype oldEnd = lineEnd(current, i + k);
        const qsizetype newEnd = lineEnd(text, j + k);
        if ((oldEnd == current.size()) != (newEnd == text.size())) {
            return false;
        }
        const QString line = text.mid(wantedStart, newEnd - wantedStart);
        if (breaksBlocks(line)) {
            return false;
        }
        replaceBlockText(doc.findBlock(static_cast<int>(start + shift)), line);
        shift += (newEnd - wantedStart) - (oldEnd - start);
        if (oldEnd == current.size()) {
            break;
        }
        i = oldEnd + 1;
        j = newEnd + 1;
    }
    doc.setModified(false);
    editor_.setTextCursor(QTextCursor(&doc));
    editor_.ensureCursorVisible();
    return true;
}
