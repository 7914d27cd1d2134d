// SPDX-License-Identifier: GPL-3.0-or-later
// The stored text: the settings-string grammar and the conversions start-up
// applies to what it reads (start-up on a file edited by hand or damaged is
// tst_window's).

#include "settings/settingsstring.h"
#include "shared/conversions.h"
#include "shared/failure.h"

#include <QVariant>
#include <QtTest/QTest>

// A conversion's result as text: the value, or "E" and the number it failed with.
template <typename Convert>
static QString attempt(Convert convert)
{
    try {
        return QVariant(convert()).toString();
    } catch (const Failure &failure) {
        return QStringLiteral("E%1").arg(failure.number());
    }
}

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void grammar_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack"); // empty: refused
        for (const char *good : {"9600,n,8,1", "4800,o,7,1.5", "110,s,4,2", "12345,e,5,1"})
            QTest::newRow(good) << good << good;
        QTest::newRow("parity reads back lower") << "300,M,7,2"
                                                 << "300,m,7,2";
        for (const char *bad : {"0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1", "9600,x,8,1", "9600,,8,1", "9600,ne,8,1",
                                "9600,n,3,1", "9600,n,8,1.0", "9600, n, 8, 1", "9600,n,8,1,1"})
            QTest::newRow(bad) << bad << "";
    }
    void grammar()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);
        const auto parsed = parseSettingsString(text);
        QCOMPARE(parsed ? formatSettingsString(*parsed) : QString(), readBack);
    }

    // Halves to even; text that is no number fails with 13, a number out of range with 6.
    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // int16, int32, truth
        const char *const rows[][2] = {
            {" 12 ", "12 12 true"},       {"2.5", "2 2 true"},          {"3.5", "4 4 true"},
            {"-0.5", "0 0 true"},         {"1e3", "1000 1000 true"},    {"0.0", "0 0 false"},
            {"32767.5", "E6 32768 true"}, {"2147483648", "E6 E6 true"}, {"1e999", "E6 E6 E6"},
            {"TRUE", "E13 E13 true"},     {"false", "E13 E13 false"},   {"Truth", "E13 E13 E13"},
            {"", "E13 E13 E13"},          {"1x", "E13 E13 E13"},        {"inf", "E13 E13 E13"},
        };
        for (const auto &[text, expected] : rows)
            QTest::newRow(*text ? text : "empty") << text << expected;
    }
    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QStringList results{attempt([&] { return conversions::toInt16(text); }),
                                  attempt([&] { return conversions::toInt32(text); }),
                                  attempt([&] { return conversions::toBool(text); })};
        QCOMPARE(results.join(' '), expected);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
