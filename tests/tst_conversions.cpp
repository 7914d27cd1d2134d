#include "shared/conversions.h"
#include "shared/failure.h"

#include <QtTest/QTest>

#include <optional>

// The result of a conversion: a value, or the error number it failed with.
template <typename Convert>
static std::pair<qint64, int> attempt(Convert convert)
{
    try {
        return {qint64(convert()), 0};
    } catch (const Failure &failure) {
        return {0, failure.number()};
    }
}

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void integers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("int16");
        QTest::addColumn<int>("int16Error");
        QTest::addColumn<qint64>("int32");
        QTest::addColumn<int>("int32Error");
        QTest::newRow("plain") << "3" << 3LL << 0 << 3LL << 0;
        QTest::newRow("blanks around") << " 12 " << 12LL << 0 << 12LL << 0;
        QTest::newRow("negative") << "-1" << -1LL << 0 << -1LL << 0;
        QTest::newRow("plus sign") << "+7" << 7LL << 0 << 7LL << 0;
        QTest::newRow("fraction up") << "2.6" << 3LL << 0 << 3LL << 0;
        QTest::newRow("half to even, down") << "2.5" << 2LL << 0 << 2LL << 0;
        QTest::newRow("half to even, up") << "3.5" << 4LL << 0 << 4LL << 0;
        QTest::newRow("negative half") << "-0.5" << 0LL << 0 << 0LL << 0;
        QTest::newRow("exponent") << "1e3" << 1000LL << 0 << 1000LL << 0;
        QTest::newRow("int16 max") << "32767" << 32767LL << 0 << 32767LL << 0;
        QTest::newRow("int16 min") << "-32768" << -32768LL << 0 << -32768LL << 0;
        QTest::newRow("over int16") << "32768" << 0LL << 6 << 32768LL << 0;
        QTest::newRow("rounds over int16") << "32767.5" << 0LL << 6 << 32768LL << 0;
        QTest::newRow("99999") << "99999" << 0LL << 6 << 99999LL << 0;
        QTest::newRow("over int32") << "2147483648" << 0LL << 6 << 0LL << 6;
        QTest::newRow("huge exponent") << "1e999" << 0LL << 6 << 0LL << 6;
        QTest::newRow("letters") << "abc" << 0LL << 13 << 0LL << 13;
        QTest::newRow("empty") << "" << 0LL << 13 << 0LL << 13;
        QTest::newRow("blank") << "   " << 0LL << 13 << 0LL << 13;
        QTest::newRow("trailing junk") << "1x" << 0LL << 13 << 0LL << 13;
        QTest::newRow("inf is no number") << "inf" << 0LL << 13 << 0LL << 13;
        QTest::newRow("nan is no number") << "nan" << 0LL << 13 << 0LL << 13;
        QTest::newRow("hex is no number") << "0x10" << 0LL << 13 << 0LL << 13;
    }
    void integers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, int16);
        QFETCH(int, int16Error);
        QFETCH(qint64, int32);
        QFETCH(int, int32Error);
        QCOMPARE(attempt([&] { return conversions::toInt16(text); }), std::make_pair(int16, int16Error));
        QCOMPARE(attempt([&] { return conversions::toInt32(text); }), std::make_pair(int32, int32Error));
    }

    void truthValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // 0 false, 1 true, or the error number
        QTest::newRow("True") << "True" << 1;
        QTest::newRow("TRUE") << "TRUE" << 1;
        QTest::newRow("true") << "true" << 1;
        QTest::newRow("False") << "False" << 0;
        QTest::newRow("false") << "false" << 0;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("-1") << "-1" << 1;
        QTest::newRow("2.5") << "2.5" << 1;
        QTest::newRow("0.0") << "0.0" << 0;
        QTest::newRow("yes") << "yes" << 13;
        QTest::newRow("empty") << "" << 13;
        QTest::newRow("Truth") << "Truth" << 13;
    }
    void truthValues()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto [value, error] = attempt([&] { return conversions::toBool(text); });
        QCOMPARE(error ? error : int(value), expected);
    }

    void storedForm()
    {
        QCOMPARE(conversions::fromBool(true), QStringLiteral("True"));
        QCOMPARE(conversions::fromBool(false), QStringLiteral("False"));
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
