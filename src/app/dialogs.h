// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <optional>

class QPrinter;
class QWidget;

// Every modal question the program asks goes through Dialogs, so tests can
// answer it and record what was asked; QtDialogs shows the real thing.

enum class MessageKind {
    Warning,       // "Warning", exclamation
    Error,         // "Error", stop
    Information,   // "Information", information sign
    Confirmation,  // "Confirm", question mark
    Plain,         // application title, no icon
    Failure,       // default failure box: application title, stop
};

enum class MessageButton { None = 0x0, Yes = 0x1, No = 0x2, Ok = 0x4, Cancel = 0x8 };
Q_DECLARE_FLAGS(MessageButtons, MessageButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MessageButtons)

struct MessageRequest {
    MessageKind kind = MessageKind::Information;
    QString text;
    MessageButtons buttons = MessageButton::Ok;
    QString details;  // longer text the user may unfold; empty for none
};

// The caption a box of this kind carries.
[[nodiscard]] QString messageCaption(MessageKind kind);
// The answer of Esc: Cancel if present, else No, else OK.
[[nodiscard]] MessageButton escapeAnswer(MessageButtons buttons);
// The answer of Enter: OK if present, else Yes.
[[nodiscard]] MessageButton defaultAnswer(MessageButtons buttons);

struct FileDialogRequest {
    QString title;           // empty: the platform's own
    QStringList filters;     // "Description (*.pattern)" entries, in order
    QString selectedFilter;  // empty: the first
    QString fileName;        // initial name, may hold a directory part
    bool showReadOnlyBox = false;
    bool readOnly = false;   // initial state of that box
    bool mustExist = false;  // the path and the file must exist
};

struct FileDialogResult {
    QString fileName;  // full path
    QString selectedFilter;
    bool readOnly = false;
};

struct DirectoryRequest {
    QString title;
    QString rootDirectory;  // where the chooser starts
};

enum class PrintDialogKind { Print, PrintSetup };

class Dialogs {
public:
    Dialogs() = default;
    Q_DISABLE_COPY_MOVE(Dialogs)
    virtual ~Dialogs() = default;

    virtual MessageButton message(QWidget* parent, const MessageRequest& request) = 0;
    virtual std::optional<FileDialogResult> openFile(QWidget* parent,
                                                     const FileDialogRequest& request) = 0;
    virtual std::optional<FileDialogResult> saveFile(QWidget* parent,
                                                     const FileDialogRequest& request) = 0;
    virtual std::optional<QString> directory(QWidget* parent, const DirectoryRequest& request) = 0;
    // True when the user confirmed; the printer then holds the choice.
    virtual bool print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) = 0;
};
