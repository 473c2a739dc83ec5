#include "templatelines.h"

namespace sealmill {

namespace {

// Start of line `index`, or -1 when the text has no such line.
qsizetype lineStart(const QString& text, int index) {
    qsizetype pos = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype brk = text.indexOf(u'\n', pos);
        if (brk < 0) {
            return -1;
        }
        pos = brk + 1;
    }
    return pos;
}

}  // namespace

int lineCount(const QString& text) {
    if (text.isEmpty()) {
        return 0;
    }
    const auto breaks = static_cast<int>(text.count(u'\n'));
    return text.endsWith(u'\n') ? breaks : breaks + 1;
}

QString lineAt(const QString& text, int index) {
    if (index < 0 || index >= lineCount(text)) {
        return {};
    }
    const qsizetype start = lineStart(text, index);
    const qsizetype end = text.indexOf(u'\n', start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

void replaceLineAt(QString& text, int index, const QString& line) {
    if (index < 0 || index >= lineCount(text)) {
        return;
    }
    const qsizetype start = lineStart(text, index);
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0) {
        end = text.size();
    }
    text.replace(start, end - start, line);
}

bool containsPlaceholder(const QString& text) {
    // A break ends a line, so a placeholder split by one is never found here either.
    return text.contains(kPlaceholder);
}

bool TemplateLines::containsPlaceholder() const {
    const int count = lineCount();
    bool found = false;
    for (int i = 0; i < count; ++i) {
        found = found || line(i).contains(kPlaceholder);
    }
    return found;
}

}  // namespace sealmill
