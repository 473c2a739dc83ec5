// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Numbers as the user types them and reads them: serial fields and progress
// figures.
#include "core/press/progress.h"
#include "core/press/serialfield.h"

#include <QTest>

using namespace sealmill;
using namespace Qt::StringLiterals;

class TestFigures : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serialFields() {
        const QStringList texts{u"  12"_s,      u"+7"_s,         u"-3"_s,         u"$ff"_s,
                                u"$FFFFFFFF"_s, u"2147483647"_s, u"-2147483648"_s};
        const QList<qint32> numbers{12, 7, -3, 255, -1, 2147483647, -2147483647 - 1};  // $: 32 bits
        for (qsizetype i = 0; i < texts.size(); ++i) {
            QVERIFY2(readSerialField(texts.at(i)) == numbers.at(i), qPrintable(texts.at(i)));
        }
        for (const QString& bad : {u"2147483648"_s, u"-2147483649"_s, u"$100000000"_s, u"$"_s,
                                   u"-$1"_s, u"12 "_s, u""_s, u"-"_s, u"\t1"_s, u"\u0661"_s}) {
            QVERIFY2(!readSerialField(bad), qPrintable(bad));
        }
    }

    // Each step rounded to a 64-bit significand, then ties to even: 59 of
    // 200 is 29, where exact arithmetic gives 29.5 and 30.
    void progressPositions() {
        const struct {
            qint64 done, total, position;
        } rows[] = {{1, 8, 12}, {3, 8, 38}, {5, 8, 62}, {59, 200, 29}, {1LL << 32, 1LL << 32, 100}};
        for (const auto& row : rows) {
            QCOMPARE(progressPosition(row.done, row.total), row.position);
        }
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "tst_figures.moc"
