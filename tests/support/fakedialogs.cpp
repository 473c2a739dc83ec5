#include "fakedialogs.h"

namespace {
// A dialog question answered by something other than its own kind of answer
// counts as unexpected, like one with no answer at all.
template <typename T>
std::optional<T> taken(int& unexpected, bool matches, bool cancelled, T value) {
    if (matches) {
        return value;
    }
    unexpected += cancelled ? 0 : 1;
    return std::nullopt;
}
}  // namespace

void FakeDialogs::queue(Answer answer) {
    answer.during = std::exchange(during_, {});
    answers_.append(std::move(answer));
}

void FakeDialogs::answerMessage(MessageButton button) {
    queue({.type = Answer::Type::Button, .button = button});
}

void FakeDialogs::answerFile(const QString& path, bool readOnly, const QString& filter) {
    queue({.type = Answer::Type::File, .file = {path, filter, readOnly}});
}

void FakeDialogs::answerDirectory(const QString& path) {
    queue({.type = Answer::Type::Directory, .directory = path});
}

void FakeDialogs::answerPrint(bool accepted, std::function<void(QPrinter&)> choose) {
    queue({.type = Answer::Type::Print, .accepted = accepted, .choose = std::move(choose)});
}

void FakeDialogs::answerCancel() {
    queue({.type = Answer::Type::Cancel});
}

void FakeDialogs::whileAsking(std::function<void()> action) {
    during_ = std::move(action);
}

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
    return taken(unexpected, answer && answer->type == Answer::Type::Button, !answer,
                 answer ? answer->button : MessageButton::None)
        .value_or(escapeAnswer(request.buttons));
}

std::optional<FileDialogResult> FakeDialogs::openFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    asked.append({Kind::OpenFile, {}, request, {}, {}});
    const auto answer = next();
    return taken(unexpected, answer && answer->type == Answer::Type::File,
                 !answer || answer->type == Answer::Type::Cancel,
                 answer ? answer->file : FileDialogResult{});
}

std::optional<FileDialogResult> FakeDialogs::saveFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& request) {
    asked.append({Kind::SaveFile, {}, request, {}, {}});
    const auto answer = next();
    return taken(unexpected, answer && answer->type == Answer::Type::File,
                 !answer || answer->type == Answer::Type::Cancel,
                 answer ? answer->file : FileDialogResult{});
}

std::optional<QString> FakeDialogs::directory(QWidget* /*parent*/,
                                              const DirectoryRequest& request) {
    asked.append({Kind::Directory, {}, {}, request, {}});
    const auto answer = next();
    return taken(unexpected, answer && answer->type == Answer::Type::Directory,
                 !answer || answer->type == Answer::Type::Cancel,
                 answer ? answer->directory : QString());
}

bool FakeDialogs::print(QWidget* /*parent*/, QPrinter& printer, PrintDialogKind kind) {
    asked.append({Kind::Print, {}, {}, {}, kind});
    const auto answer = next();
    const bool matches = answer && answer->type == Answer::Type::Print;
    if (matches && answer->choose) {
        answer->choose(printer);
    }
    return taken(unexpected, matches, !answer || answer->type == Answer::Type::Cancel,
                 matches && answer->accepted)
        .value_or(false);
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
