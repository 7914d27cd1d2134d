#include "shared/conversions.h"
#include "shared/failure.h"

#include <QVariant>
#include <QtTest/QTest>

// A conversion's result as text: the value, or "E" and the error number it failed with.
template <typename Convert>
static QString attempt(Convert convert)
{
    try {
        return QVariant(convert()).toString();
    } catch (const Failure &failure) {
        return QStringLiteral("E%1").arg(failure.number());
    }
}

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("int16");
        QTest::addColumn<QString>("int32");
        QTest::addColumn<QString>("truth");
        // clang-format off
        QTest::newRow("plain") << "3" << "3" << "3" << "true";
        QTest::newRow("blanks around") << " 12 " << "12" << "12" << "true";
        QTest::newRow("fraction up") << "2.6" << "3" << "3" << "true";
        QTest::newRow("half to even, down") << "2.5" << "2" << "2" << "true";
        QTest::newRow("half to even, up") << "3.5" << "4" << "4" << "true";
        QTest::newRow("negative half") << "-0.5" << "0" << "0" << "true";
        QTest::newRow("exponent") << "1e3" << "1000" << "1000" << "true";
        QTest::newRow("zero") << "0" << "0" << "0" << "false";
        QTest::newRow("zero fraction") << "0.0" << "0" << "0" << "false";
        QTest::newRow("int16 limits") << "-32768" << "-32768" << "-32768" << "true";
        QTest::newRow("over int16") << "32768" << "E6" << "32768" << "true";
        QTest::newRow("rounds over int16") << "32767.5" << "E6" << "32768" << "true";
        QTest::newRow("over int32") << "2147483648" << "E6" << "E6" << "true";
        QTest::newRow("huge exponent") << "1e999" << "E6" << "E6" << "E6";
        QTest::newRow("True") << "True" << "E13" << "E13" << "true";
        QTest::newRow("TRUE") << "TRUE" << "E13" << "E13" << "true";
        QTest::newRow("false") << "false" << "E13" << "E13" << "false";
        QTest::newRow("Truth") << "Truth" << "E13" << "E13" << "E13";
        QTest::newRow("empty") << "" << "E13" << "E13" << "E13";
        QTest::newRow("trailing junk") << "1x" << "E13" << "E13" << "E13";
        QTest::newRow("inf is no number") << "inf" << "E13" << "E13" << "E13";
        QTest::newRow("hex is no number") << "0x10" << "E13" << "E13" << "E13";
        // clang-format on
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, int16);
        QFETCH(QString, int32);
        QFETCH(QString, truth);
        QCOMPARE(attempt([&] { return conversions::toInt16(text); }), int16);
        QCOMPARE(attempt([&] { return conversions::toInt32(text); }), int32);
        QCOMPARE(attempt([&] { return conversions::toBool(text); }), truth);
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
