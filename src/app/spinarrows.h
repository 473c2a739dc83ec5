// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A vertical pair of arrows at the right edge of a field. A step starts from
// the number the field holds at that moment, brought into the range first
// (500 in a 0..100 field steps down to 99 and up to 100; an unreadable text
// counts as the lower bound), and never leaves the range. The result is
// written as plain decimal digits, a text change like any other. Up and
// Down in the field step too.
class SpinArrows : public QWidget {
    Q_OBJECT

public:
    explicit SpinArrows(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* field);
    [[nodiscard]] QLineEdit* buddy() const { return field_; }
    void setRange(int minimum, int maximum);
    [[nodiscard]] int minimum() const { return minimum_; }
    [[nodiscard]] int maximum() const { return maximum_; }
    [[nodiscard]] QToolButton* upButton() const { return up_; }
    [[nodiscard]] QToolButton* downButton() const { return down_; }

    void step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* field_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 0;
    int maximum_ = 100;
};
