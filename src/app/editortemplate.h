#pragma once

#include "templatelines.h"

#include <QObject>

class QPlainTextEdit;

// The template document as held by the main window's editor: its lines are the
// editor's blocks, its flags the editor's own. Keeps the byte encoding of the
// last file loaded so the document saves back in it.
class EditorTemplate final : public sealmill::TemplateLines {
public:
    explicit EditorTemplate(QPlainTextEdit& editor);
    EditorTemplate(const EditorTemplate&) = delete;
    EditorTemplate& operator=(const EditorTemplate&) = delete;
    EditorTemplate(EditorTemplate&&) = delete;
    EditorTemplate& operator=(EditorTemplate&&) = delete;
    ~EditorTemplate() override;

    [[nodiscard]] int lineCount() const override;
    [[nodiscard]] QString line(int index) const override;
    void replaceLine(int index, const QString& text) override;
    void saveToFile(const QString& path, sealmill::FileAccess access) const override;
    // Throws what readTemplateFile throws, or "Text exceeds memo capacity"; the
    // editor is untouched then, and also when the file holds its very text.
    void loadFromFile(const QString& path) override;
    [[nodiscard]] QByteArray fileBytes() const override;
    [[nodiscard]] quint64 changeCount() const override { return changes_; }
    [[nodiscard]] QString text() const override;
    void restoreText(const QString& text) override;
    [[nodiscard]] QList<int> linesHolding(QLatin1StringView needle) const override;

    // A new document: empty, UTF-8.
    void clear();

    [[nodiscard]] bool isModified() const;
    void setModified(bool modified);

    [[nodiscard]] sealmill::TextEncoding encoding() const { return encoding_; }
    void setEncoding(sealmill::TextEncoding encoding);
    [[nodiscard]] qsizetype capacity() const { return capacity_; }
    void setCapacity(qsizetype characters) { capacity_ = characters; }

private:
    void setText(const QString& text);
    [[nodiscard]] bool replaceChangedLines(const QString& text);

    QPlainTextEdit& editor_;
    sealmill::TextEncoding encoding_ = sealmill::TextEncoding::Utf8;
    qsizetype capacity_ = sealmill::kTemplateCapacity;  // characters
    // The editor's text as text() gives it, kept until the document changes:
    // a press run asks for it several times per number.
    mutable QString text_;
    mutable bool textKnown_ = false;
    quint64 changes_ = 0;
    QMetaObject::Connection forgetText_;
};
