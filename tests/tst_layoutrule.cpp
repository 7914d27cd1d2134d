#include "terminal/layoutrule.h"

#include <QtTest/QTest>

class TestLayoutRule : public QObject
{
    Q_OBJECT
private slots:
    void apply_data()
    {
        QTest::addColumn<double>("clientWidth");
        QTest::addColumn<double>("clientHeight");
        QTest::addColumn<double>("txtHeight");
        QTest::addColumn<double>("frame1Left");
        // Toolbar 390 and status bar 315 high, Frame1 240 wide throughout.
        QTest::newRow("as created") << 7155.0 << 4785.0 << 4080.0 << 6795.0;
        QTest::newRow("wider by 1500") << 8655.0 << 4785.0 << 4080.0 << 8295.0;
        QTest::newRow("exactly toolbar and status bar") << 7155.0 << 705.0 << 0.0 << 6795.0;
        QTest::newRow("very low: never negative") << 7155.0 << 600.0 << 0.0 << 6795.0;
        QTest::newRow("minimised") << 0.0 << 0.0 << 0.0 << -360.0;
        QTest::newRow("fractional twips at odd DPI") << 7155.0 << 1200.4 << 495.0 << 6795.0;
        QTest::newRow("half rounds down to even") << 7155.0 << 1200.5 << 496.0 << 6795.0;
        QTest::newRow("half rounds up to even") << 7155.0 << 1201.5 << 496.0 << 6795.0;
    }
    void apply()
    {
        QFETCH(double, clientWidth);
        QFETCH(double, clientHeight);
        QFETCH(double, txtHeight);
        QFETCH(double, frame1Left);
        const layoutrule::Result result = layoutrule::apply({clientWidth, clientHeight, 315, 390, 240});
        QCOMPARE(result.txtTerm, (layoutrule::TwipsRect{0, 390, clientWidth, txtHeight}));
        QCOMPARE(result.frame1Left, frame1Left);
    }

    void toPixels()
    {
        QCOMPARE(layoutrule::toPixels({0, 390, 7155, 4080}, 96), QRect(0, 26, 477, 272)); // 15 twips a pixel
        QCOMPARE(layoutrule::toPixels({0, 390, 7155, 4080}, 144), QRect(0, 39, 716, 408));
    }
};

QTEST_APPLESS_MAIN(TestLayoutRule)
#include "tst_layoutrule.moc"
