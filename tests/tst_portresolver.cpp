#include "serial/portresolver.h"
#include "settings/settingsstore.h"

#include "testenv.h"

#include <QtTest/QTest>

static QList<SerialDevice> devicesNamed(const QStringList &names)
{
    QList<SerialDevice> devices;
    for (const QString &name : names)
        devices.append({name, QStringLiteral("/dev/") + name, {}});
    return devices;
}

class TestPortResolver : public QObject
{
    Q_OBJECT
private slots:
    void autoDetectionOrder_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("consoles");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("console only") << QStringList{"ttyS0"} << QStringList{"ttyS0"} << QStringList{};
        QTest::newRow("one adapter beside the console")
            << QStringList{"ttyS0", "ttyUSB0"} << QStringList{"ttyS0"} << QStringList{"ttyUSB0"};
        QTest::newRow("usb before acm before others")
            << QStringList{"ttyS1", "ttyACM0", "ttyUSB1", "ttyS0", "ttyUSB0"} << QStringList{"ttyS0"}
            << QStringList{"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS1"};
        QTest::newRow("numeric, not alphabetical")
            << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1"} << QStringList{}
            << QStringList{"ttyUSB1", "ttyUSB2", "ttyUSB10"};
        QTest::newRow("several consoles") << QStringList{"ttyS0", "ttyS1", "ttyAMA0"}
                                          << QStringList{"ttyS0", "ttyAMA0"} << QStringList{"ttyS1"};
    }
    void autoDetectionOrder()
    {
        QFETCH(QStringList, present);
        QFETCH(QStringList, consoles);
        QFETCH(QStringList, order);
        QStringList got;
        for (const SerialDevice &device : PortResolver::candidates(devicesNamed(present), consoles))
            got.append(device.portName);
        QCOMPARE(got, order);

        // Port N is the N-th of that order, and nothing past its end.
        const PortResolver resolver(nullptr, [&] { return devicesNamed(present); }, [&] { return consoles; });
        for (int port = 1; port <= order.size(); ++port)
            QCOMPARE(resolver.resolve(port), QStringLiteral("/dev/") + order.at(port - 1));
        QCOMPARE(resolver.resolve(int(order.size()) + 1), QString());
        QCOMPARE(resolver.resolve(0), QString());
    }

    void portsSectionComesFirst()
    {
        TempSettings settings;
        settings.mapPort(2, QStringLiteral("/tmp/board-link"));
        const PortResolver resolver(&settings.store, [] { return devicesNamed({"ttyUSB0", "ttyUSB1"}); },
                                    noConsoles);
        QCOMPARE(resolver.resolve(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(resolver.resolve(2), QStringLiteral("/tmp/board-link"));
    }

    void consolesFile()
    {
        const QString text = QStringLiteral("ttyS0                -W- (EC p a)    4:64\ntty0   -WU (E  p  )    4:7\n");
        QCOMPARE(PortResolver::parseConsoles(text), (QStringList{"ttyS0", "tty0"}));
        QCOMPARE(PortResolver::parseConsoles(QString()), QStringList{});
    }
};

QTEST_APPLESS_MAIN(TestPortResolver)
#include "tst_portresolver.moc"
