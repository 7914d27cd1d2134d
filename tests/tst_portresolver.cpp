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
        // clang-format off
        QTest::newRow("console only") << QStringList{"ttyS0"} << QStringList{"ttyS0"} << QStringList{};
        QTest::newRow("usb before acm before others, console left out") << QStringList{"ttyS1", "ttyACM0", "ttyUSB1", "ttyS0", "ttyUSB0"}
            << QStringList{"ttyS0"} << QStringList{"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS1"};
        QTest::newRow("numeric, not alphabetical") << QStringList{"ttyUSB10", "ttyUSB2", "ttyUSB1"} << QStringList{}
            << QStringList{"ttyUSB1", "ttyUSB2", "ttyUSB10"};
        QTest::newRow("several consoles") << QStringList{"ttyS0", "ttyS1", "ttyAMA0"} << QStringList{"ttyS0", "ttyAMA0"}
            << QStringList{"ttyS1"};
        // clang-format on
    }
    void autoDetectionOrder()
    {
        QFETCH(QStringList, present);
        QFETCH(QStringList, consoles);
        QFETCH(QStringList, order);
        // Port N is the N-th of that order; nothing for port 0 or past its end.
        const auto listed = [&] { return devicesNamed(present); };
        const PortResolver resolver(nullptr, listed, [&] { return consoles; });
        QStringList expected{QString()};
        for (const QString &name : order)
            expected << QStringLiteral("/dev/") + name;
        expected << QString();
        QStringList resolved;
        for (int port = 0; port < expected.size(); ++port)
            resolved << resolver.resolve(port);
        QCOMPARE(resolved, expected);
    }

    void portsSectionComesFirst()
    {
        TempSettings settings;
        settings.mapPort(2, QStringLiteral("/tmp/board-link"));
        const auto listed = [] { return devicesNamed({"ttyUSB0", "ttyUSB1"}); };
        const PortResolver resolver(&settings.store, listed, noConsoles);
        QCOMPARE(resolver.resolve(1), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(resolver.resolve(2), QStringLiteral("/tmp/board-link"));
    }

    void consolesFile()
    {
        const QString text = QStringLiteral("ttyS0                -W- (EC p a)    4:64\ntty0   -WU (E  p  )    4:7\n");
        QCOMPARE(PortResolver::parseConsoles(text), (QStringList{"ttyS0", "tty0"}));
    }
};

QTEST_APPLESS_MAIN(TestPortResolver)
#include "tst_portresolver.moc"
