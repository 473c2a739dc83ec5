#include "serialfield.h"

#include <QTest>

using sealmill::readSerialField;

class TestSerialField : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "12" << true << 12;
        QTest::newRow("leading spaces") << "  12" << true << 12;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("minus") << "-3" << true << -3;
        QTest::newRow("leading zeros") << "0007" << true << 7;
        QTest::newRow("hex") << "$FF" << true << 255;
        QTest::newRow("hex lower") << "$ff" << true << 255;
        QTest::newRow("hex all ones is -1") << "$FFFFFFFF" << true << -1;
        QTest::newRow("hex high bit") << "$80000000" << true << int(0x80000000U);
        QTest::newRow("hex over 32 bits") << "$100000000" << false << 0;
        QTest::newRow("hex leading zeros") << "$000000000001" << true << 1;
        QTest::newRow("hex without digits") << "$" << false << 0;
        QTest::newRow("signed hex") << "-$1" << false << 0;
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("over max") << "2147483648" << false << 0;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("under min") << "-2147483649" << false << 0;
        QTest::newRow("huge") << "99999999999999999999" << false << 0;
        QTest::newRow("trailing letter") << "12a" << false << 0;
        QTest::newRow("trailing space") << "12 " << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("tab is not a space") << "\t1" << false << 0;
        QTest::newRow("space after sign") << "- 1" << false << 0;
        QTest::newRow("arabic-indic digit") << QString(QChar(0x0661)) << false << 0;
    }
    void readsNumbers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto number = readSerialField(text);
        QCOMPARE(number.has_value(), valid);
        if (valid) {
            QCOMPARE(*number, value);
        }
    }

    void namesTheWholeTextInTheFailure() {
        QCOMPARE(sealmill::invalidIntegerMessage(u" 12a"_qs),
                 u"' 12a' is not a valid integer value"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSerialField)
#include "tst_serialfield.moc"
