#include "serial/reconnector.h"

#include <QSignalSpy>
#include <QtTest/QtTest>

// The waiting after a device loss: idle until watched, an open tried only
// once the device is there, tried again while it fails, then done.
class TestReconnector : public QObject
{
    Q_OBJECT
private slots:
    void waitsThenReopensOnce()
    {
        bool present = false;
        int attempts = 0, refusals = 1; // the device is back before it may be opened
        Reconnector reconnector({[&] { return present; }, [&] { return ++attempts > refusals; }});
        QSignalSpy reconnected(&reconnector, &Reconnector::reconnected);
        QVERIFY(!reconnector.isWatching());

        reconnector.watch();
        QVERIFY(reconnector.isWatching());
        QVERIFY(!reconnected.wait(3 * Reconnector::IntervalMilliseconds));
        QCOMPARE(attempts, 0);

        present = true;
        QVERIFY(reconnected.wait(5000));
        QCOMPARE(attempts, 2);
        QVERIFY(!reconnector.isWatching());

        reconnector.watch(); // the user stops the waiting: nothing more is tried
        reconnector.stop();
        QVERIFY(!reconnected.wait(3 * Reconnector::IntervalMilliseconds));
        QCOMPARE(attempts, 2);
    }
};

QTEST_GUILESS_MAIN(TestReconnector)
#include "tst_reconnector.moc"
