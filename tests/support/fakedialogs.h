#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Answers the program's modal questions from a script and records each one.
// A question with no answer queued, or with an answer of another kind, counts
// as unexpected and gets what Esc would give (Cancel for dialogs).
class FakeDialogs final : public Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, Directory, Print };

    struct Question {
        Kind kind;
        MessageRequest message;      // for Kind::Message
        FileDialogRequest file;      // for OpenFile / SaveFile
        DirectoryRequest directory;  // for Directory
        PrintDialogKind print = PrintDialogKind::Print;
    };

    // Answers, used in the order they were queued, whatever the question.
    void answerMessage(MessageButton button) { answers_.append({Type::Button, button}); }
    void answerFile(const QString& path, bool readOnly = false, const QString& filter = {}) {
        answers_.append({Type::File, {}, {path, filter, readOnly}});
    }
    void answerDirectory(const QString& path) { answers_.append({Type::Directory, {}, {}, path}); }
    void answerPrint(bool accepted, std::function<void(QPrinter&)> choose = {}) {
        answers_.append({Type::Print, {}, {}, {}, accepted, std::move(choose)});
    }
    void answerCancel() { answers_.append(Answer(Type::Cancel)); }  // closed without a choice

    MessageButton message(QWidget* parent, const MessageRequest& request) override;
    std::optional<FileDialogResult> openFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<QString> directory(QWidget* parent, const DirectoryRequest& request) override;
    bool print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) override;

    QList<Question> asked;
    int unexpected = 0;
    [[nodiscard]] QStringList messageTexts() const;  // of all message boxes, in order

private:
    enum class Type { Button, File, Directory, Print, Cancel };
    struct Answer {
        Type type;
        MessageButton button;
        FileDialogResult file;
        QString directory;
        bool accepted;
        std::function<void(QPrinter&)> choose;
        Answer(Type t, MessageButton b = {}, FileDialogResult f = {}, QString d = {},
               bool a = false, std::function<void(QPrinter&)> c = {})
            : type(t),
              button(b),
              file(std::move(f)),
              directory(std::move(d)),
              accepted(a),
              choose(std::move(c)) {}
    };
    std::optional<Answer> take(Question question, Type type);

    QList<Answer> answers_;
};
