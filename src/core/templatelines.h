#pragma once

#include "numberedcopies.h"
#include "templatefile.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>

namespace sealmill {

// The template document as the press loop and the Press Run gate see it: the
// editor in the window program, a plain string elsewhere.
class TemplateLines {
public:
    TemplateLines() = default;
    TemplateLines(const TemplateLines&) = delete;
    TemplateLines& operator=(const TemplateLines&) = delete;
    TemplateLines(TemplateLines&&) = delete;
    TemplateLines& operator=(TemplateLines&&) = delete;
    virtual ~TemplateLines() = default;

    [[nodiscard]] virtual int lineCount() const = 0;
    [[nodiscard]] virtual QString line(int index) const = 0;       // "" past the end
    virtual void replaceLine(int index, const QString& text) = 0;  // no-op past the end
    virtual void saveToFile(const QString& path, FileAccess access) const = 0;
    virtual void loadFromFile(const QString& path) = 0;

    // The bytes saveToFile writes.
    [[nodiscard]] virtual QByteArray fileBytes() const = 0;
    // Goes up with every change of the text or its encoding, whoever makes it:
    // two equal readings mean the document is as it was.
    [[nodiscard]] virtual quint64 changeCount() const = 0;

    // The whole text, so a caller can put the template back without a file.
    [[nodiscard]] virtual QString text() const = 0;
    virtual void restoreText(const QString& text) = 0;

    // The indices of the lines that hold `needle` (which holds no line break),
    // in order. A document that keeps its whole text at hand finds them faster
    // than line by line.
    [[nodiscard]] virtual QList<int> linesHolding(QLatin1StringView needle) const;

    [[nodiscard]] bool containsPlaceholder() const;
};

}  // namespace sealmill
