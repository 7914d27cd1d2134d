// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal against a real USB-serial driver, run inside the test bed's
// guest: the adapter is QEMU's FTDI FT232 driven by the guest kernel's
// ftdi_sio, its far end the simulated board on the host. The host unplugs
// and replugs the adapter when asked on the control line (the guest's second
// serial port). Lines starting "MESURE" are the figures the bed reports.

#include "terminalfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QByteArray Greeting = "\r\nKORVEX - moniteur simule\r\nCommandes: X P D R F M\r\n> ";

void report(const QString &line)
{
    std::printf("MESURE %s\n", qPrintable(line));
    std::fflush(stdout);
}

// Asks the host to act on the adapter ("unplug", "plug"); true once it has.
bool askHost(const QByteArray &request)
{
    const QByteArray path = qgetenv("KORVEX_CONTROL").isEmpty() ? "/dev/ttyS1" : qgetenv("KORVEX_CONTROL");
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return false;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const QByteArray line = request + '\n';
    bool done = ::write(fd, line.constData(), size_t(line.size())) == line.size();
    QByteArray answer;
    pollfd waiting{fd, POLLIN, 0};
    while (done && !answer.contains('\n') && ::poll(&waiting, 1, 30000) == 1) {
        char byte = 0;
        done = ::read(fd, &byte, 1) == 1;
        answer += byte;
    }
    ::close(fd);
    return done && answer.startsWith("ok");
}

// The adapter the guest sees: its one ttyUSB device.
std::optional<SerialDevice> adapter()
{
    for (const SerialDevice &device : PortResolver::systemDevices())
        if (device.portName.startsWith(QLatin1String("ttyUSB")))
            return device;
    return std::nullopt;
}

QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes).remove(QLatin1Char('\n')).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

class AdapterFlows : public QObject
{
    Q_OBJECT
    TerminalFixture fixture;
    QString byId;

    FrmTerminal &start(const QString &settings)
    {
        fixture.settings.mapPort(1, byId);
        fixture.settings.storeProperties(settings, "1", "0", "False");
        fixture.devices = PortResolver::systemDevices();
        return fixture.start();
    }
    QString status() { return panelText(*fixture.window, "Settings"); }

    // From the plug: when the lasting name is back, then when the port is open again, looked at every 5 ms.
    // Returns the milliseconds from the one to the other, -1 when the port stayed closed.
    qint64 timeReturn(FrmTerminal &window)
    {
        QElapsedTimer clock;
        clock.start();
        qint64 node = -1, open = -1;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (node < 0 && QFileInfo::exists(byId))
                node = clock.elapsed();
            if (open < 0 && window.serial().PortOpen())
                open = clock.elapsed();
        });
        look.start(5);
        const bool reopened = QTest::qWaitFor([&] { return open >= 0; }, 60000);
        report(QStringLiteral("retour: nom revenu %1 ms après le branchement, port rouvert %2 ms après lui (%3 -> %4)")
                   .arg(node)
                   .arg(reopened ? open - node : -1)
                   .arg(byId, QFileInfo(byId).canonicalFilePath()));
        if (!reopened && std::system("ls -l /dev/ttyUSB* /dev/serial/by-id; dmesg | tail -5") != 0)
            report(QStringLiteral("aucun adaptateur"));
        return reopened ? open - node : -1;
    }
    void press(Qt::Key key) { QTest::keyClick(control<TerminalView>(*fixture.window, "txtTerm"), key); }
    // Enter, and the board's prompt back: its command line is empty, so the next "H" asks for a record.
    bool prompt()
    {
        press(Qt::Key_Return);
        return QTest::qWaitFor([this] { return terminalText(*fixture.window).endsWith(shown("\r\n> ")); }, 30000);
    }

private slots:
    // Found by the system: the driver and the lasting name.
    void initTestCase()
    {
        QTRY_VERIFY_WITH_TIMEOUT(adapter().has_value() && !adapter()->stableName.isEmpty(), 30000);
        const SerialDevice device = *adapter();
        byId = device.stableName;
        report(QStringLiteral("pilote=%1 usb=%2 noeud=%3 nom=%4")
                   .arg(device.driver, device.usbId, device.systemLocation, byId));
        QCOMPARE(device.driver, QStringLiteral("ftdi_sio"));
    }

    // Opened by its lasting name; typed keys reach the board, whose echo and answers show.
    void typingAndEcho()
    {
        FrmTerminal &window = start("9600,n,8,1");
        QVERIFY2(window.serial().PortOpen(),
                 qPrintable(fixture.boxes.shown.isEmpty() ? QString() : fixture.boxes.shown.first().informativeText));
        press(Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(terminalText(window), shown(Greeting), 10000);
        press(Qt::Key_M); // a short answer at 300 bit/s: its usage line
        QTRY_COMPARE_WITH_TIMEOUT(terminalText(window), shown(Greeting) + "m", 10000);
        QVERIFY(prompt());
    }

    // A program loaded at 300 bit/s; the transmit queue sampled on a thread of its own, whatever the window does.
    void loadAt300()
    {
        FrmTerminal &window = start("300,n,8,1");
        QVERIFY(window.serial().PortOpen() && prompt());
        const int queue =
            ::open(QFile::encodeName(byId).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK); // root: past TIOCEXCL
        QVERIFY(queue >= 0);
        std::atomic<bool> loading{true};
        std::atomic<int> most{0}, samples{0};
        std::thread sampler([&] {
            while (loading) {
                int pending = 0;
                if (::ioctl(queue, TIOCOUTQ, &pending) == 0)
                    most = std::max(most.load(), pending), ++samples;
                ::poll(nullptr, 0, 1);
            }
        });
        window.chooseProgramFile(QStringLiteral(KORVEX_SOURCE_DIR "/tests/data/blink_sdcc.hex"));
        QElapsedTimer took;
        took.start();
        command(window, "mnuSendText")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!window.uploadRunning(), 120000);
        loading = false;
        sampler.join();
        ::close(queue);
        report(QStringLiteral("chargement_300=%1 ms TIOCOUTQ_max=%2 octets (%3 relevés) fin=\"%4\" boîtes=%5")
                   .arg(took.elapsed())
                   .arg(most.load())
                   .arg(samples.load())
                   .arg(noticeText(window))
                   .arg(fixture.boxes.shown.size()));
        for (const MessageRequest &box : fixture.boxes.shown)
            report(QStringLiteral("boîte: %1 / %2").arg(box.text, box.informativeText));
        QVERIFY(noticeText(window).startsWith("Transfert terminé"));
        QVERIFY(fixture.boxes.shown.isEmpty());
    }

    // Pulled while idle and put back: reopened by itself, timed from the lasting name's return.
    void replugIdle()
    {
        FrmTerminal &window = start("9600,n,8,1");
        QVERIFY(window.serial().PortOpen());
        QVERIFY(askHost("unplug"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("Status: Device Removed"), 10000);
        QVERIFY(askHost("plug"));
        const qint64 reconnection = timeReturn(window);
        QVERIFY(reconnection >= 0 && reconnection < 2000);
        QVERIFY(prompt());
    }

    // Pulled during a load: the load ends as a lost device, with what was loaded.
    void replugDuringLoad()
    {
        FrmTerminal &window = start("300,n,8,1");
        QVERIFY(window.serial().PortOpen() && prompt());
        window.chooseProgramFile(QStringLiteral(KORVEX_SOURCE_DIR "/tests/data/blink_sdcc.hex"));
        command(window, "mnuSendText")->trigger();
        // Pulled once a few records are in, as the progress window counts them.
        QTRY_VERIFY_WITH_TIMEOUT(
            window.findChild<QLabel *>("lblRecords")
                && window.findChild<QLabel *>("lblRecords")->text().startsWith("Enregistrement 4 "),
            60000);
        QVERIFY(askHost("unplug"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.uploadRunning(), 20000);
        report(QStringLiteral("débranché en chargement: fin=\"%1\" état=\"%2\"").arg(noticeText(window), status()));
        QCOMPARE(status(), QStringLiteral("Status: Device Removed"));
        QVERIFY(askHost("plug"));
        QVERIFY(timeReturn(window) >= 0);
    }

    // A student outside dialout: what the box says.
    void notInDialout()
    {
        if (::geteuid() == 0)
            QFAIL("run as an account outside dialout (the bed runs this one as \"student\")");
        FrmTerminal &window = start("9600,n,8,1");
        QVERIFY(!window.serial().PortOpen());
        QCOMPARE(fixture.boxes.shown.size(), 1);
        report(QStringLiteral("hors_dialout texte=\"%1\" detail=\"%2\"")
                   .arg(fixture.boxes.shown.first().text, fixture.boxes.shown.first().informativeText));
        // KORVEX_EXPECT: a session opened before the account joined dialout is told something else.
        const QString expected = qEnvironmentVariable("KORVEX_EXPECT", QStringLiteral("sudo adduser $USER dialout"));
        QVERIFY(fixture.boxes.shown.first().informativeText.contains(expected));
    }

    void cleanup() { fixture.window.reset(); }
};

QTEST_MAIN(AdapterFlows)
#include "adapter_flows.moc"
