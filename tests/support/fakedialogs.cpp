#include "fakedialogs.h"

std::optional<FakeDialogs::Answer> FakeDialogs::take(Question question, Type type) {
    asked.append(std::move(question));
    if (answers_.isEmpty()) {
        ++unexpected;
        return std::nullopt;
    }
    Answer answer = answers_.takeFirst();
    if (answer.type == type) {
        return answer;
    }
    // Cancel is a fitting answer to any dialog, but not to a message box.
    unexpected += answer.type == Type::Cancel && type != Type::Button ? 0 : 1;
    return std::nullopt;
}

MessageButton FakeDialogs::message(QWidget* /*parent*/, const MessageRequest& request) {
    const auto answer = take({Kind::Message, request, {}, {}, {}}, Type::Button);
    return answer ? answer->button : escapeAnswer(request.buttons);
}

std::optional<FileDialogResult> FakeDialogs::openFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    const auto answer = take({Kind::OpenFile, {}, request, {}, {}}, Type::File);
    return answer ? std::optional(answer->file) : std::nullopt;
}

std::optional<FileDialogResult> FakeDialogs::saveFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    const auto answer = take({Kind::SaveFile, {}, request, {}, {}}, Type::File);
    return answer ? std::optional(answer->file) : std::nullopt;
}

std::optional<QString> FakeDialogs::directory(QWidget* /*parent*/,
                                              const DirectoryRequest& request) {
    const auto answer = take({Kind::Directory, {}, {}, request, {}}, Type::Directory);
    return answer ? std::optional(answer->directory) : std::nullopt;
}

bool FakeDialogs::print(QWidget* /*parent*/, QPrinter& printer, PrintDialogKind kind) {
    const auto answer = take({Kind::Print, {}, {}, {}, kind}, Type::Print);
    if (answer && answer->choose) {
        answer->choose(printer);
    }
    return answer && answer->accepted;
}

QStringList FakeDialogs::messageTexts() const {
    QStringList texts;
    for (const Question& q : asked) {
        if (q.kind == Kind::Message) {
            texts.append(q.message.text);
        }
    }
    return texts;
}
