#include "memorytemplate.h"

namespace sealmill {

MemoryTemplate::MemoryTemplate(QString text, TextEncoding encoding)
    : text_(std::move(text)), encoding_(encoding) {}

int MemoryTemplate::lineCount() const { return sealmill::lineCount(text_); }

QString MemoryTemplate::line(int index) const { return lineAt(text_, index); }

void MemoryTemplate::replaceLine(int index, const QString& text) {
    replaceLineAt(text_, index, text);
}

void MemoryTemplate::saveToFile(const QString& path, FileAccess access) const {
    writeTemplateFile(path, encodeTemplateText(text_, encoding_), access);
}

void MemoryTemplate::loadFromFile(const QString& path) {
    TemplateFileText loaded = readTemplateFile(path);
    text_ = std::move(loaded.text);
    encoding_ = loaded.encoding;
}

}  // namespace sealmill
