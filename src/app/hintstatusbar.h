// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStatusBar>

// A status line whose message, when wider than the line, ends in "..." and
// shows whole as the line's tooltip. currentMessage() stays whole.
class HintStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit HintStatusBar(QWidget* parent = nullptr);
    ~HintStatusBar() override;
    Q_DISABLE_COPY_MOVE(HintStatusBar)

    // The message as drawn.
    [[nodiscard]] QString shownMessage() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    [[nodiscard]] QRect messageRect() const;
};
