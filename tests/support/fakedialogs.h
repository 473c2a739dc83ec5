// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/dialogs.h"

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
        MessageRequest message;      // for Kind::Message
        DirectoryRequest directory;  // for Kind::Directory
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

    MessageButton message(QWidget* /*parent*/, const MessageRequest& request) override {
        const auto answer = take(Kind::Message, request);
        return answer ? answer->button : escapeAnswer(request.buttons);
    }
    std::optional<FileDialogResult> openFile(QWidget* /*parent*/,
                                             const FileDialogRequest& /*request*/) override {
        return take(Kind::OpenFile).value_or(Answer()).file;
    }
    std::optional<FileDialogResult> saveFile(QWidget* /*parent*/,
                                             const FileDialogRequest& /*request*/) override {
        return take(Kind::SaveFile).value_or(Answer()).file;
    }
    std::optional<QString> directory(QWidget* /*parent*/,
                                     const DirectoryRequest& request) override {
        (void)take(Kind::Directory);
        asked.last().directory = request;
        return std::nullopt;
    }
    bool print(QWidget* /*parent*/, QPrinter& printer, PrintDialogKind /*kind*/) override {
        const Answer answer = take(Kind::Print).value_or(Answer());
        if (answer.choose) {
            answer.choose(printer);
        }
        return answer.accepted;
    }

    QList<Question> asked;
    [[nodiscard]] QStringList messageTexts() const {  // of all message boxes, in order
        QStringList texts;
        for (const Question& q : asked) {
            if (q.kind == Kind::Message) {
                texts.append(q.message.text);
            }
        }
        return texts;
    }

private:
    struct Answer {
        QList<Kind> fits;
        MessageButton button = MessageButton::None;
        std::optional<FileDialogResult> file = std::nullopt;
        bool accepted = false;
        std::function<void(QPrinter&)> choose = {};
    };
    std::optional<Answer> take(Kind kind, const MessageRequest& message = {}) {
        asked.append({kind, message, {}});
        if (answers_.isEmpty() || !answers_.constFirst().fits.contains(kind)) {
            return std::nullopt;
        }
        return answers_.takeFirst();
    }

    QList<Answer> answers_;
};
