// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "windowsize.h"

#include <QLayout>
#include <QWidget>
#include <algorithm>

void fixWindowSize(QWidget& window, QSize drawn) {
    window.ensurePolished();
    QLayout* layout = window.layout();
    // Activation measures every nested layout afresh, after a text changed.
    layout->invalidate();
    layout->activate();
    const QSize wanted = layout->totalSizeHint();
    const int width = std::max(drawn.width(), wanted.width());
    int height = std::max(drawn.height(), wanted.height());
    if (layout->hasHeightForWidth()) {
        height = std::max(height, layout->totalHeightForWidth(width));
    }
    window.setFixedSize(width, height);
}
