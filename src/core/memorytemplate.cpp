#include "memorytemplate.h"

namespace sealmill {

MemoryTemplate::MemoryTemplate(const QString& text, TextEncoding encoding)
    : lines_(text.split(u'\n')), encoding_(encoding) {
}

// The last entry is what follows the last break: an empty one is no line.
int MemoryTemplate::lineCount() const {
    const auto entries = static_cast<int>(lines_.size());
    return lines_.constLast().isEmpty() ? entries - 1 : entries;
}

QString MemoryTemplate::line(int index) const {
    return index >= 0 && index < lineCount() ? lines_.at(index) : QString();
}

void MemoryTemplate::replaceLine(int index, const QString& text) {
    if (index >= 0 && index < lineCount()) {
        lines_[index] = text;
        ++changes_;
    }
}

QString MemoryTemplate::text() const {
    return lines_.join(u'\n');
}

void MemoryTemplate::restoreText(const QString& text) {
    lines_ = text.split(u'\n');
    ++changes_;
}

QByteArray MemoryTemplate::fileBytes() const {
    return templateFileBytes(text(), encoding_);
}

void MemoryTemplate::saveToFile(const QString& path, FileAccess access) const {
    writeTemplateFile(path, fileBytes(), access);
}

void MemoryTemplate::loadFromFile(const QString& path) {
    TemplateFileText loaded = readTemplateFile(path);
    lines_ = loaded.text.split(u'\n');
    encoding_ = loaded.encoding;
    ++changes_;
}

}  // namespace sealmill
