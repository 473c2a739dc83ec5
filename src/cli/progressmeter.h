// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QString>

// Shows a run's progress on standard error: a bar with the count, the rate and
// the time left on a terminal, one "n of total processed" line per number
// otherwise, nothing when quiet.
class ProgressMeter {
public:
    enum class Style { Bar, Lines, Quiet };

    ProgressMeter(Style style, qint64 total);

    void advance(int position, const QString& status);
    void finish();     // ends the bar's line
    void clearLine();  // takes the bar away until the next advance()

    // The bar's text for a terminal `width` columns wide, without the "\r".
    [[nodiscard]] static QString barLine(int position, const QString& status, qint64 done,
                                         qint64 total, qint64 elapsedMs, int width);

private:
    Style style_;
    qint64 total_;
    qint64 done_ = 0;
    bool drawn_ = false;
    QElapsedTimer clock_;
};
