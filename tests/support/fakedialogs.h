#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// Answers the program's modal questions from a script and records each one.
// A question with no answer queued is recorded as unexpected and answered by
// Esc (Cancel for dialogs), so a test sees it in `asked` and `unexpected`.
class FakeDialogs final : public Dialogs {
public:
    enum class Kind { Message, OpenFile, SaveFile, Directory, Print };

    struct Question {
        Kind kind;
        MessageRequest message;      // for Kind::Message
        FileDialogRequest file;      // for OpenFile / SaveFile
        DirectoryRequest directory;  // for Directory
        PrintDialogKind print = PrintDialogKind::Print;
        [[nodiscard]] QString caption() const { return messageCaption(message.kind); }
    };

    // Answers, used in the order they were queued, whatever the question.
    void answerMessage(MessageButton button);
    void answerFile(const QString& path, bool readOnly = false, const QString& filter = {});
    void answerDirectory(const QString& path);
    void answerPrint(bool accepted, std::function<void(QPrinter&)> choose = {});
    void answerCancel();  // a dialog closed without a choice
    // Runs while the question is open, e.g. to click something "behind" it.
    void whileAsking(std::function<void()> action);

    MessageButton message(QWidget* parent, const MessageRequest& request) override;
    std::optional<FileDialogResult> openFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<QString> directory(QWidget* parent, const DirectoryRequest& request) override;
    bool print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) override;

    QList<Question> asked;
    int unexpected = 0;
    [[nodiscard]] int pending() const { return static_cast<int>(answers_.size()); }
    // The texts of all message boxes asked so far, in order.
    [[nodiscard]] QStringList messageTexts() const;

private:
    struct Answer {
        enum class Type { Button, File, Directory, Print, Cancel } type;
        MessageButton button = MessageButton::None;
        FileDialogResult file;
        QString directory;
        bool accepted = false;
        std::function<void(QPrinter&)> choose;
        std::function<void()> during;
    };
    void queue(Answer answer);
    std::optional<Answer> next();

    QList<Answer> answers_;
    std::function<void()> during_;
};
