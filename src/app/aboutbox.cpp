// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "aboutbox.h"

#include "core/platform/kilobytes.h"
#include "dialogs.h"
#include "ui_aboutbox.h"
#include "windowsize.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <utility>

AboutBox::AboutBox(Dialogs& dialogs, QWidget* parent, sealmill::SystemFigures figures)
    : QDialog(parent),
      ui_(std::make_unique<Ui::AboutBox>()),
      dialogs_(dialogs),
      figures_(std::move(figures)) {
    ui_->setupUi(this);
    // A fixed dialog: a caption with the close box alone, no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    designedSize_ = size();
    fixWindowSize(*this, designedSize_);
}

AboutBox::~AboutBox() = default;

void AboutBox::setVisible(bool visible) {
    if (visible && !isVisible()) {
        refreshFigures();
    }
    QDialog::setVisible(visible);
}

void AboutBox::refreshFigures() {
    // Without an application icon the box keeps the one it was built with.
    const QPixmap icon = QApplication::windowIcon().pixmap(ui_->iconLabel->size());
    if (!icon.isNull()) {
        ui_->iconLabel->setPixmap(icon);
    }
    ui_->memoryLabel->setText(sealmill::kilobytesText(figures_.totalMemory()));
    if (const auto percent = figures_.freeResources()) {
        ui_->resourcesLabel->setText(QStringLiteral("%1% Free").arg(*percent));
    } else {
        dialogs_.message(parentWidget(), {MessageKind::Plain,
                                          QStringLiteral("GetProcAddress16 failure"),
                                          MessageButton::Ok,
                                          {}});
    }
    // Drawn size, unless the texts (a larger font, a long figure) need more.
    fixWindowSize(*this, designedSize_);
    ui_->okButton->setFocus();
}
