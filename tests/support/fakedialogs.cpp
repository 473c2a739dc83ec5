#include "fakedialogs.h"

void FakeDialogs::answerMessage(MessageButton button) {
    answers_.append({Answer::Type::Button, button, {}, {}, false, {}, std::exchange(during_, {})});
}

void FakeDialogs::answerFile(const QString& path, bool readOnly, const QString& filter) {
    answers_.append({Answer::Type::File, MessageButton::None, {path, filter, readOnly}, {}, false,
                     {}, std::exchange(during_, {})});
}

void FakeDialogs::answerDirectory(const QString& path) {
    answers_.append({Answer::Type::Directory, MessageButton::None, {}, path, false, {},
                     std::exchange(during_, {})});
}

void FakeDialogs::answerPrint(bool accepted, std::function<void(QPrinter&)> choose) {
    answers_.append({Answer::Type::Print, MessageButton::None, {}, {}, accepted, std::move(choose),
                     std::exchange(during_, {})});
}

void FakeDialogs::answerCancel() {
    answers_.append({Answer::Type::Cancel, MessageButton::None, {}, {}, false, {},
                     std::exchange(during_, {})});
}

void FakeDialogs::whileAsking(std::function<void()> action) { during_ = std::move(action); }

std::optional<FakeDialogs::Answer> FakeDialogs::next() {
    if (answers_.isEmpty()) {
        ++unexpected;
        return std::nullopt;
    }
    Answer answer = answers_.takeFirst();
    if (answer.during) {
        answer.during();
    }
    return answer;
}

MessageButton FakeDialogs::message(QWidget* /*parent*/, const MessageRequest& request) {
    asked.append({Kind::Message, request, {}, {}, {}});
    const auto answer = next();
    if (!answer || answer->type != Answer::Type::Button) {
        if (answer) {
            ++unexpected;
        }
        return escapeAnswer(request.buttons);
    }
    return answer->button;
}

std::optional<FileDialogResult> FakeDialogs::openFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    asked.append({Kind::OpenFile, {}, request, {}, {}});
    const auto answer = next();
    if (answer && answer->type == Answer::Type::File) {
        return answer->file;
    }
    if (answer && answer->type != Answer::Type::Cancel) {
        ++unexpected;
    }
    return std::nullopt;
}

std::optional<FileDialogResult> FakeDialogs::saveFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    asked.append({Kind::SaveFile, {}, request, {}, {}});
    const auto answer = next();
    if (answer && answer->type == Answer::Type::File) {
        return answer->file;
    }
    if (answer && answer->type != Answer::Type::Cancel) {
        ++unexpected;
    }
    return std::nullopt;
}

std::optional<QString> FakeDialogs::directory(QWidget* /*parent*/,
                                              const DirectoryRequest& request) {
    asked.append({Kind::Directory, {}, {}, request, {}});
    const auto answer = next();
    if (answer && answer->type == Answer::Type::Directory) {
        return answer->directory;
    }
    if (answer && answer->type != Answer::Type::Cancel) {
        ++unexpected;
    }
    return std::nullopt;
}

bool FakeDialogs::print(QWidget* /*parent*/, QPrinter& printer, PrintDialogKind kind) {
    asked.append({Kind::Print, {}, {}, {}, kind});
    const auto answer = next();
    if (answer && answer->type == Answer::Type::Print) {
        if (answer->choose) {
            answer->choose(printer);
        }
        return answer->accepted;
    }
    if (answer && answer->type != Answer::Type::Cancel) {
        ++unexpected;
    }
    return false;
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
