// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "aboutbox.h"

#include "dialogs.h"
#include "kilobytes.h"
#include "ui_aboutbox.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <algorithm>
#include <utility>

namespace {

constexpr int kGap = 4;

int textWidth(const QLabel& label) {
    return label.fontMetrics().size(0, label.text()).width();
}

// Fonts wider than the one the box was drawn for would push the maroon "95"
// into "for Windows"; keep it just after the text instead.
void keepAfter(const QLabel& before, QLabel& label) {
    const int right = before.x() + textWidth(before) + kGap;
    if (label.x() < right) {
        label.move(right, label.y());
    }
}

}  // namespace

AboutBox::AboutBox(Dialogs& dialogs, QWidget* parent, sealmill::SystemFigures figures)
    : QDialog(parent),
      ui_(std::make_unique<Ui::AboutBox>()),
      dialogs_(dialogs),
      figures_(std::move(figures)) {
    ui_->setupUi(this);
    // A fixed dialog: a caption with the close box alone, no resizing.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    keepAfter(*ui_->platformLabel, *ui_->versionLabel);
    figuresLeft_ = ui_->memoryLabel->x();
    designedWidth_ = width();
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
    placeFigures();
    ui_->okButton->setFocus();
}

// A figure wider than its place (five-digit thousands are common now) moves
// left into the free room after its caption. One that fits nowhere widens the
// box rather than lose digits at its edge.
void AboutBox::placeFigures() {
    const std::pair<QLabel*, QLabel*> rows[] = {{ui_->memoryCaption, ui_->memoryLabel},
                                                {ui_->resourcesCaption, ui_->resourcesLabel}};
    int right = designedWidth_;
    for (const auto& [caption, figure] : rows) {
        const int width = textWidth(*figure) + kGap;
        const int left = std::max(std::min(figuresLeft_, designedWidth_ - width),
                                  caption->x() + textWidth(*caption) + kGap);
        figure->move(left, figure->y());
        right = std::max(right, left + width);
    }
    setFixedWidth(right);
    for (const auto& row : rows) {
        row.second->resize(right - row.second->x(), row.second->height());
    }
}
