#pragma once

#include "templatelines.h"

#include <QStringList>

namespace sealmill {

// The template document without an editor: for the command-line press and tests.
class MemoryTemplate final : public TemplateLines {
public:
    explicit MemoryTemplate(const QString& text = {}, TextEncoding encoding = TextEncoding::Utf8);

    [[nodiscard]] int lineCount() const override;
    [[nodiscard]] QString line(int index) const override;
    void replaceLine(int index, const QString& text) override;
    void saveToFile(const QString& path, FileAccess access) const override;
    void loadFromFile(const QString& path) override;
    [[nodiscard]] QByteArray fileBytes() const override;
    [[nodiscard]] quint64 changeCount() const override { return changes_; }
    [[nodiscard]] QString text() const override;
    void restoreText(const QString& text) override;

    [[nodiscard]] TextEncoding encoding() const { return encoding_; }

private:
    // Kept split at the breaks, so reading and replacing a line cost the
    // line's length, not the text's: a press run touches every line per number.
    QStringList lines_;
    TextEncoding encoding_;
    quint64 changes_ = 0;
};

}  // namespace sealmill
