// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "spinarrows.h"

#include "core/press/serialfield.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

SpinArrows::SpinArrows(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    for (QToolButton* button : {up_, down_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setIconSize(QSize(7, 5));
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void SpinArrows::setBuddy(QLineEdit* field) {
    if (field_ != nullptr) {
        field_->removeEventFilter(this);
    }
    field_ = field;
    if (field_ != nullptr) {
        field_->installEventFilter(this);
    }
}

void SpinArrows::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
}

void SpinArrows::step(int delta) {
    if (field_ == nullptr) {
        return;
    }
    const auto current = sealmill::readSerialField(field_->text());
    const qint64 start = std::clamp<qint64>(current.value_or(minimum_), minimum_, maximum_);
    const auto next = static_cast<int>(std::clamp<qint64>(start + delta, minimum_, maximum_));
    if (current && *current == next) {
        return;
    }
    field_->setText(QString::number(next));
}

bool SpinArrows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinArrows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}
