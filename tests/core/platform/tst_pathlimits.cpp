// SPDX-FileCopyrightText: 2026 The Sealmill developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The lengths the system takes for a file name, counted in the bytes the
// name is passed as.
#include "core/platform/pathrules.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestPathLimits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitsPathLimits_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fits");
        const QString folder = u"/"_s + QString(254, u'f');  // 255 bytes
        QTest::newRow("name of 255 bytes") << u"/tmp/"_s + QString(255, u'n') << true;
        QTest::newRow("name of 256 bytes") << u"/tmp/"_s + QString(256, u'n') << false;
        QTest::newRow("folder of 256 bytes") << u"/"_s + QString(256, u'f') + u"/n"_s << false;
        QTest::newRow("128 two-byte letters") << u"/tmp/"_s + QString(128, u'\u00e9') << false;
        QTest::newRow("127 two-byte letters and one")
            << u"/tmp/e"_s + QString(127, u'\u00e9') << true;
        // 16 folders of 255 bytes and "/" + 14 bytes: 4095 bytes, one short of PATH_MAX.
        QTest::newRow("path of 4095 bytes")
            << folder.repeated(16) + u"/"_s + QString(14, u'n') << true;
        QTest::newRow("path of 4096 bytes")
            << folder.repeated(16) + u"/"_s + QString(15, u'n') << false;
    }
    void fitsPathLimits() {
        QFETCH(QString, path);
        QTEST(sealmill::fitsPathLimits(path), "fits");
    }
};

QTEST_GUILESS_MAIN(TestPathLimits)
#include "tst_pathlimits.moc"
