// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "qtdialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace {

QMessageBox::Icon iconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
        case MessageKind::Failure:
            return QMessageBox::Critical;
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
        case MessageKind::Plain:
            break;
    }
    return QMessageBox::NoIcon;
}

constexpr std::pair<MessageButton, QMessageBox::StandardButton> kButtonOrder[] = {
    {MessageButton::Yes, QMessageBox::Yes},
    {MessageButton::No, QMessageBox::No},
    {MessageButton::Ok, QMessageBox::Ok},
    {MessageButton::Cancel, QMessageBox::Cancel},
};

QMessageBox::StandardButton standardOf(MessageButton button) {
    for (const auto& [ours, theirs] : kButtonOrder) {
        if (ours == button) {
            return theirs;
        }
    }
    return QMessageBox::NoButton;
}

std::optional<FileDialogResult> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                              QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!request.mustExist && mode == QFileDialog::AcceptOpen) {
        // A typed name that does not exist must reach the caller, which reports it.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setLabelText(QFileDialog::Accept, QFileDialog::tr("&Open"));
    }
    // Overwriting is asked by the caller, in its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(request.filters);
    if (!request.selectedFilter.isEmpty()) {
        dialog.selectNameFilter(request.selectedFilter);
    }
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(request.fileName);
    }
    QCheckBox* readOnlyBox = nullptr;
    if (request.showReadOnlyBox) {
        // Only Qt's own dialog can carry an extra control.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        readOnlyBox = new QCheckBox(QFileDialog::tr("Open as &read-only"), &dialog);
        readOnlyBox->setChecked(request.readOnly);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            grid->addWidget(readOnlyBox, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return FileDialogResult{dialog.selectedFiles().constFirst(), dialog.selectedNameFilter(),
                            readOnlyBox != nullptr && readOnlyBox->isChecked()};
}

}  // namespace

MessageButton QtDialogs::message(QWidget* parent, const MessageRequest& request) {
    QMessageBox box(iconOf(request.kind), messageCaption(request.kind), request.text,
                    QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    for (const auto& [ours, theirs] : kButtonOrder) {
        if (request.buttons.testFlag(ours)) {
            box.addButton(theirs);
        }
    }
    box.setDefaultButton(standardOf(defaultAnswer(request.buttons)));
    box.setEscapeButton(standardOf(escapeAnswer(request.buttons)));
    if (!request.details.isEmpty()) {
        box.setDetailedText(request.details);
        // Once clicked, Show Details... keeps the focus; as a default-taking
        // button it would then answer Enter instead of the default button.
        for (auto* button : box.findChildren<QPushButton*>()) {
            if (box.buttonRole(button) == QMessageBox::ActionRole) {
                button->setAutoDefault(false);
            }
        }
    }
    const int pressed = box.exec();
    for (const auto& [ours, theirs] : kButtonOrder) {
        if (pressed == theirs) {
            return ours;
        }
    }
    // The close box answers Cancel when offered, otherwise what Esc answers.
    return escapeAnswer(request.buttons);
}

std::optional<FileDialogResult> QtDialogs::openFile(QWidget* parent,
                                                    const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<FileDialogResult> QtDialogs::saveFile(QWidget* parent,
                                                    const FileDialogRequest& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::directory(QWidget* parent, const DirectoryRequest& request) {
    QString chosen = QFileDialog::getExistingDirectory(parent, request.title, request.rootDirectory,
                                                       QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

bool QtDialogs::print(QWidget* parent, QPrinter& printer, PrintDialogKind kind) {
    QPrintDialog dialog(&printer, parent);
    if (kind == PrintDialogKind::PrintSetup) {
        dialog.setWindowTitle(QPrintDialog::tr("Print Setup"));
        // It chooses the printer and prints nothing, so its button says OK.
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (QPushButton* confirm = buttons->button(QDialogButtonBox::Ok)) {
                confirm->setText(QDialogButtonBox::tr("OK"));
            }
        }
    }
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}
