// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "hintstatusbar.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>

HintStatusBar::HintStatusBar(QWidget* parent) : QStatusBar(parent) {
}

HintStatusBar::~HintStatusBar() = default;

// Where QStatusBar draws a message on a line without widgets of its own.
QRect HintStatusBar::messageRect() const {
    constexpr int kLeft = 6;
    constexpr int kRight = 12;
    return rect().adjusted(kLeft, 0, -kRight, 0);
}

QString HintStatusBar::shownMessage() const {
    return fontMetrics().elidedText(currentMessage(), Qt::ElideRight, messageRect().width());
}

bool HintStatusBar::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (shownMessage() != currentMessage()) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), currentMessage(),
                               this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QStatusBar::event(event);
}

void HintStatusBar::paintEvent(QPaintEvent* event) {
    if (currentMessage().isEmpty()) {
        QStatusBar::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    painter.setPen(palette().windowText().color());
    painter.drawText(messageRect(), Qt::AlignLeading | Qt::AlignVCenter | Qt::TextSingleLine,
                     shownMessage());
}
