// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace {

constexpr int kSize = 16;
const QColor kInk(0x20, 0x20, 0x20);
const QColor kPaper(0xff, 0xff, 0xff);

QPixmap blank() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawPage(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2) {
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

QIcon cut() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.3));
    p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10));
    p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x80, 0, 0), 1.5));
    p.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
    return QIcon(pixmap);
}

QIcon copy() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    drawPage(p, QRectF(1.5, 1.5, 8, 10));
    drawPage(p, QRectF(6.5, 4.5, 8, 10));
    return QIcon(pixmap);
}

QIcon paste() {
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0xb0, 0x80, 0x40));
    p.drawRect(QRectF(1.5, 2.5, 10, 12));
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(QRectF(4.5, 1.5, 4, 2));
    drawPage(p, QRectF(6.5, 6.5, 8, 8));
    return QIcon(pixmap);
}

}  // namespace

QIcon fallbackToolIcon(ToolPicture picture, const QStyle& style) {
    switch (picture) {
        case ToolPicture::New:
            return style.standardIcon(QStyle::SP_FileIcon);
        case ToolPicture::Open:
            return style.standardIcon(QStyle::SP_DialogOpenButton);
        case ToolPicture::Save:
            return style.standardIcon(QStyle::SP_DialogSaveButton);
        case ToolPicture::Cut:
            return cut();
        case ToolPicture::Copy:
            return copy();
        case ToolPicture::Paste:
            return paste();
        case ToolPicture::Press:
            return style.standardIcon(QStyle::SP_MediaPlay);
        case ToolPicture::About:
            return style.standardIcon(QStyle::SP_MessageBoxInformation);
    }
    return {};
}
