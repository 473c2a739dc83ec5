// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

class Dialogs;
class QPlainTextEdit;
class QPrinter;
class QWidget;

// Print and Print Setup of the main window, sharing one current printer: the
// printer chosen in either dialog is the one the next dialog offers.
class TemplatePrinting {
public:
    // Whether the machine offers any printer; tests stand in for the system.
    using PrintersAvailable = std::function<bool()>;

    explicit TemplatePrinting(Dialogs& dialogs, PrintersAvailable printersAvailable = {});
    Q_DISABLE_COPY_MOVE(TemplatePrinting)
    ~TemplatePrinting();

    // Both throw SealmillError "There is no default printer currently selected"
    // when there is neither a chosen nor a system printer; no dialog opens then.
    // Print prints the editor's whole text after OK; the editor is left as it is.
    void print(QWidget* parent, const QPlainTextEdit& editor);
    void printSetup(QWidget* parent);

    // The current printer, created on first use.
    [[nodiscard]] QPrinter& printer();

private:
    void requirePrinter() const;

    Dialogs& dialogs_;
    PrintersAvailable printersAvailable_;
    std::unique_ptr<QPrinter> printer_;
    bool chosen_ = false;  // a dialog was confirmed, so printer_ names a real choice
};
