#include "terminal/layoutrule.h"

#include <QtTest/QTest>

class TestLayoutRule : public QObject
{
    Q_OBJECT
private slots:
    void apply_data();
    void apply();
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void widening();
    void toPixels();
};

void TestLayoutRule::apply_data()
{
    QTest::addColumn<double>("clientWidth");
    QTest::addColumn<double>("clientHeight");
    QTest::addColumn<double>("txtHeight");
    QTest::addColumn<double>("frame1Left");

    // Toolbar 390 and status bar 315 high, Frame1 240 wide throughout.
    QTest::newRow("as created") << 7155.0 << 4785.0 << 4080.0 << 6795.0;
    QTest::newRow("exactly toolbar and status bar") << 7155.0 << 705.0 << 0.0 << 6795.0;
    QTest::newRow("very low") << 7155.0 << 600.0 << 0.0 << 6795.0;
    QTest::newRow("minimised") << 0.0 << 0.0 << 0.0 << -360.0;
    QTest::newRow("fractional twips at odd DPI") << 7155.0 << 1200.4 << 495.0 << 6795.0;
    QTest::newRow("half rounds down to even") << 7155.0 << 1200.5 << 496.0 << 6795.0;
    QTest::newRow("half rounds up to even") << 7155.0 << 1201.5 << 496.0 << 6795.0;
}

void TestLayoutRule::apply()
{
    QFETCH(double, clientWidth);
    QFETCH(double, clientHeight);
    QFETCH(double, txtHeight);
    QFETCH(double, frame1Left);

    const layoutrule::Result result = layoutrule::apply({clientWidth, clientHeight, 315, 390, 240});
    const layoutrule::TwipsRect expected{0, 390, clientWidth, txtHeight};
    QCOMPARE(result.txtTerm, expected);
    QCOMPARE(result.frame1Left, frame1Left);
}

void TestLayoutRule::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("3.5") << 3.5 << 4.0;
    QTest::newRow("2.4") << 2.4 << 2.0;
    QTest::newRow("2.6") << 2.6 << 3.0;
    QTest::newRow("-0.5") << -0.5 << 0.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
}

void TestLayoutRule::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(layoutrule::roundHalfToEven(value), rounded);
}

void TestLayoutRule::widening()
{
    const layoutrule::Result before = layoutrule::apply({7155, 4785, 315, 390, 240});
    const layoutrule::Result after = layoutrule::apply({7155 + 1500, 4785, 315, 390, 240});
    QCOMPARE(after.txtTerm.width - before.txtTerm.width, 1500.0);
    QCOMPARE(after.frame1Left - before.frame1Left, 1500.0);
    QCOMPARE(after.txtTerm.height, before.txtTerm.height);
}

void TestLayoutRule::toPixels()
{
    // 15 twips per pixel at 96 DPI, 10 at 144.
    QCOMPARE(layoutrule::toPixels({0, 390, 7155, 4080}, 96), QRect(0, 26, 477, 272));
    QCOMPARE(layoutrule::toPixels({0, 390, 7155, 4080}, 144), QRect(0, 39, 716, 408));
}

QTEST_APPLESS_MAIN(TestLayoutRule)
#include "tst_layoutrule.moc"
