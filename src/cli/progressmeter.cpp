// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "progressmeter.h"

#include "terminal.h"

#include <algorithm>
#include <cmath>

namespace {

QString clockText(qint64 seconds) {
    const qint64 h = seconds / 3600;
    const qint64 m = (seconds / 60) % 60;
    const qint64 s = seconds % 60;
    return h > 0 ? QStringLiteral("%1:%2:%3")
                       .arg(h)
                       .arg(m, 2, 10, QLatin1Char('0'))
                       .arg(s, 2, 10, QLatin1Char('0'))
                 : QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

}  // namespace

ProgressMeter::ProgressMeter(Style style, qint64 total) : style_(style), total_(total) {
    clock_.start();
}

QString ProgressMeter::barLine(int position, const QString& status, qint64 done, qint64 total,
                               qint64 elapsedMs, int width) {
    QString tail = QStringLiteral(" %1%  %2").arg(position, 3).arg(status);
    if (done > 0 && elapsedMs > 0) {
        const double perSecond =
            static_cast<double>(done) * 1000.0 / static_cast<double>(elapsedMs);
        const qint64 left = std::max<qint64>(total - done, 0);
        const qint64 secondsLeft = std::llround(static_cast<double>(left) / perSecond);
        tail += QStringLiteral("  %1/s  %2 left")
                    .arg(perSecond, 0, 'f', perSecond < 10 ? 1 : 0)
                    .arg(clockText(secondsLeft));
    }
    const int barWidth = std::clamp(width - static_cast<int>(tail.size()) - 3, 10, 50);
    const int filled = std::clamp(position * barWidth / 100, 0, barWidth);
    return QStringLiteral("[%1%2]").arg(QString(filled, u'#'), QString(barWidth - filled, u' ')) +
           tail;
}

void ProgressMeter::advance(int position, const QString& status) {
    ++done_;
    switch (style_) {
        case Style::Quiet:
            return;
        case Style::Lines:
            terminal::writeError(status + u'\n');
            return;
        case Style::Bar:
            // Clear to the end of the line: the new text may be shorter.
            terminal::writeError(u'\r' +
                                 barLine(position, status, done_, total_, clock_.elapsed(),
                                         terminal::columns(2) - 1) +
                                 QStringLiteral("\x1b[K"));
            drawn_ = true;
            return;
    }
}

void ProgressMeter::finish() {
    if (drawn_) {
        terminal::writeError(QStringLiteral("\n"));
        drawn_ = false;
    }
}

void ProgressMeter::clearLine() {
    if (drawn_) {
        terminal::writeError(QStringLiteral("\r\x1b[K"));
        drawn_ = false;
    }
}
