// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

// A one-line label for paths: a text wider than the label is drawn with its
// middle left out, where the parts that tell paths apart (the top folders and
// the name) stay readable, and the whole text shows as its tooltip. text()
// stays whole. It asks for no width of its own, so a long path never widens
// its window.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    ~ElidedLabel() override;
    Q_DISABLE_COPY_MOVE(ElidedLabel)

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;
    // The text as drawn.
    [[nodiscard]] QString shownText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
