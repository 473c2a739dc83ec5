// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/dialogs.h"

// Answers every question as a user who lets the run go on: OK to messages, No
// to confirmations, the one prepared file to Open, nothing else.
class BenchDialogs final : public Dialogs {
public:
    QString fileToOpen;
    QStringList errors;  // what an error or failure box said

    MessageButton message(QWidget* /*parent*/, const MessageRequest& request) override {
        if (request.kind == MessageKind::Error || request.kind == MessageKind::Failure) {
            errors << request.text;
        }
        return request.buttons.testFlag(MessageButton::Ok) ? MessageButton::Ok : MessageButton::No;
    }
    std::optional<FileDialogResult> openFile(QWidget* /*parent*/,
                                             const FileDialogRequest& /*request*/) override {
        return FileDialogResult{fileToOpen, {}, false};
    }
    std::optional<FileDialogResult> saveFile(QWidget* /*parent*/,
                                             const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    std::optional<QString> directory(QWidget* /*parent*/,
                                     const DirectoryRequest& /*request*/) override {
        return std::nullopt;
    }
    bool print(QWidget* /*parent*/, QPrinter& /*printer*/, PrintDialogKind /*kind*/) override {
        return false;
    }
};
