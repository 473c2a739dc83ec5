#include "fakedialogs.h"

std::optional<FakeDialogs::Answer> FakeDialogs::take(Kind kind, const MessageRequest& message) {
    asked.append({kind, message});
    if (answers_.isEmpty() || !answers_.constFirst().fits.contains(kind)) {
        return std::nullopt;
    }
    return answers_.takeFirst();
}

MessageButton FakeDialogs::message(QWidget* /*parent*/, const MessageRequest& request) {
    const auto answer = take(Kind::Message, request);
    return answer ? answer->button : escapeAnswer(request.buttons);
}

std::optional<FileDialogResult> FakeDialogs::openFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& /*request*/) {
    const auto answer = take(Kind::OpenFile);
    return answer ? answer->file : std::nullopt;
}

std::optional<FileDialogResult> FakeDialogs::saveFile(QWidget* /*parent*/,
                                                      const FileDialogRequest& /*request*/) {
    const auto answer = take(Kind::SaveFile);
    return answer ? answer->file : std::nullopt;
}

std::optional<QString> FakeDialogs::directory(QWidget* /*parent*/,
                                              const DirectoryRequest& /*request*/) {
    (void)take(Kind::Directory);
    return std::nullopt;
}

bool FakeDialogs::print(QWidget* /*parent*/, QPrinter& printer, PrintDialogKind /*kind*/) {
    const auto answer = take(Kind::Print);
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
