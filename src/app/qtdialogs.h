// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "dialogs.h"

// The real dialogs: QMessageBox, QFileDialog and QPrintDialog.
class QtDialogs final : public Dialogs {
public:
    MessageButton message(QWidget* parent, const MessageRequest& request) override;
    std::optional<FileDialogResult> openFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<FileDialogResult> saveFile(QWidget* parent,
                                             const FileDialogRequest& request) override;
    std::optional<QString> directory(QWidget* parent, const DirectoryRequest& request) override;
    bool print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) override;
};
