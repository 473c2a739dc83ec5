// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QSize>

class QWidget;

// Fixes a window with a layout at the size it was drawn with, or larger where
// its texts need more room (a larger font, a figure of many digits). Called
// again after a text changes.
void fixWindowSize(QWidget& window, QSize drawn);
