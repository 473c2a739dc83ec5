#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

// Answers the program's modal questions from a script and records each one.
// A question whose queued answer is for another kind of question, or that
// finds none, gets what Esc would give (Cancel for dialogs).
class FakeDialogs final : public Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, Directory, Print };

    struct Question {
        Kind kind;
        MessageRequest message;  // for Kind::Message
    };

    // Answers, taken in the order they were queued.
    void answerMessage(MessageButton button) { answers_.append({{Kind::Message}, button}); }
    void answerFile(const QString& path, bool readOnly = false) {
        answers_.append({{Kind::OpenFile, Kind::SaveFile}, {}, {{path, {}, readOnly}}});
    }
    void answerPrint(bool accepted, std::function<void(QPrinter&)> choose = {}) {
        answers_.append({{Kind::Print}, {}, {}, accepted, std::move(choose)});
    }
    void answerCancel() {  // a dialog closed without a choice
        answers_.append({{Kind::OpenFile, Kind::SaveFile, Kind::Directory, Kind::Print}});
    }

    MessageButton message(QWidget* parent, const MessageRequest& request) override;
    std::optional<FileDialogResult> openFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<QString> directory(QWidget* parent, const DirectoryRequest& request) override;
    bool print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) override;

    QList<Question> asked;
    [[nodiscard]] QStringList messageTexts() const;  // of all message boxes, in order

private:
    struct Answer {
        QList<Kind> fits;
        MessageButton button = MessageButton::None;
        std::optional<FileDialogResult> file = std::nullopt;
        bool accepted = false;
        std::function<void(QPrinter&)> choose = {};
    };
    std::optional<Answer> take(Kind kind, const MessageRequest& message = {});

    QList<Answer> answers_;
};
