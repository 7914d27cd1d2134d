// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/portresolver.h"

#include "testenv.h"

#include <QtTest/QTest>

static const QString Link = QStringLiteral("/tmp/board-link"); // port 3 is mapped in [Ports]

class TestPortResolver : public QObject
{
    Q_OBJECT
private slots:
    // Port N is the N-th device of the order, then nothing; a [Ports] entry comes first.
    void resolution_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("consoles"); // as /proc/consoles lists them
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("usb, acm, others; console left out")
            << QStringList{"ttyS1", "ttyACM0", "ttyUSB1", "ttyS0", "ttyUSB0"} << "ttyS0  -W- (EC p a)  4:64\n"
            << QStringList{"ttyUSB0", "ttyUSB1", Link, "ttyS1", ""};
        QTest::newRow("numeric, not alphabetical")
            << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1"} << "" << QStringList{"ttyUSB1", "ttyUSB2", Link, ""};
        QTest::newRow("several consoles")
            << QStringList{"ttyS0", "ttyAMA0", "ttyS1"} << "ttyS0 -W- (EC p a) 4:64\nttyAMA0 -WU (E p ) 204:64\n"
            << QStringList{"ttyS1", "", Link};
    }
    void resolution()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, consoles);
        QFETCH(QStringList, ports);
        QList<SerialDevice> devices;
        for (const QString &name : present)
            devices.append({name, QStringLiteral("/dev/") + name, {}, {}, {}, {}, {}, {}});
        TempSettings settings;
        settings.mapPort(3, Link);
        const PortResolver resolver(
            &settings.store, [&] { return devices; }, [&] { return PortResolver::parseConsoles(consoles); });
        QStringList resolved;
        for (int port = 1; port <= ports.size(); ++port)
            resolved << resolver.resolve(port).remove(QStringLiteral("/dev/"));
        QCOMPARE(resolved, ports);
        QCOMPARE(resolver.resolve(0), QString());
    }
};

QTEST_APPLESS_MAIN(TestPortResolver)
#include "tst_portresolver.moc"
