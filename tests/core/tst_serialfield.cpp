#include "serialfield.h"

#include <QTest>

using sealmill::readSerialField;

class TestSerialField : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("valid");
        const auto row = [](const QString& text, int value, bool valid = true) {
            QTest::addRow("'%s'", qPrintable(text)) << text << value << valid;
        };
        row(u"  12"_qs, 12);
        row(u"+7"_qs, 7);
        row(u"-3"_qs, -3);
        row(u"0007"_qs, 7);
        row(u"$FF"_qs, 255);
        row(u"$ff"_qs, 255);
        row(u"$FFFFFFFF"_qs, -1);
        row(u"$80000000"_qs, int(0x80000000U));
        row(u"2147483647"_qs, 2147483647);
        row(u"-2147483648"_qs, int(-2147483647 - 1));
        for (const char* bad : {"2147483648", "-2147483649", "$100000000", "$", "-$1", "12a", "12 ",
                                "", " ", "-", "\t1", "- 1"}) {
            row(QString::fromLatin1(bad), 0, false);
        }
        row(QString(QChar(0x0661)), 0, false);
    }
    void readsNumbers() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, valid);
        const auto number = readSerialField(text);
        QCOMPARE(number.has_value(), valid);
        QCOMPARE(number.value_or(0), value);
    }

    void namesTheWholeTextInTheFailure() {
        QCOMPARE(sealmill::invalidIntegerMessage(u" 12a"_qs),
                 u"' 12a' is not a valid integer value"_qs);
    }
};

QTEST_GUILESS_MAIN(TestSerialField)
#include "tst_serialfield.moc"
