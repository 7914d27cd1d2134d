// SPDX-License-Identifier: GPL-3.0-or-later
// Real adapters: found by their lasting name, a refused open explained,
// modem lines waited for on a thread, the lab's defaults, an unwritable store.

#include "fakes.h"
#include "ptypair.h"
#include "testenv.h"

#include "serial/blockingwaiter.h"
#include "serial/mscomm.h"
#include "serial/opendiagnosis.h"
#include "serial/reconnector.h"
#include "settings/devicechoices.h"
#include "settings/frmproperties.h"
#include "shared/sharedvalues.h"

#include <QtTest>
#include <QtWidgets>

#include <cerrno>
#include <unistd.h>

namespace {

const QString ById = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");

SerialDevice ftdi()
{
    return {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI", "0403:6001", ById, "ftdi_sio"};
}

} // namespace

Q_DECLARE_METATYPE(OpenFacts)

class TestRealAdapters : public QObject
{
    Q_OBJECT
private slots:
    // Each cause names the device and says what to do.
    void diagnosis_data()
    {
        QTest::addColumn<OpenFacts>("facts");
        QTest::addColumn<QStringList>("says");
        OpenFacts absent{2, ById, false, true, false, {}, false, false, {}, false};
        QTest::newRow("absent") << absent << QStringList{ById, "absent", "Com2", "Config > Config Port"};
        absent.brlttyRunning = true;
        QTest::newRow("absent, brltty runs") << absent << QStringList{ById, "sudo apt remove brltty", "mask"};
        OpenFacts denied{1, "/dev/ttyUSB0", true, true, true, "dialout", false, false, {}, false};
        QTest::newRow("not in dialout") << denied
                                        << QStringList{"/dev/ttyUSB0", "sudo adduser $USER dialout", "rouvrez-la"};
        denied.accountInGroup = true;
        QTest::newRow("session older") << denied << QStringList{"/dev/ttyUSB0", "dialout", "avant", "rouvrez-la"};
        OpenFacts held{1, "/dev/ttyUSB0", true, true, false, "dialout", true, true, "minicom", false};
        QTest::newRow("held") << held << QStringList{"/dev/ttyUSB0", "(minicom)", "fermez-le"};
        held.holder = "brltty";
        QTest::newRow("held by brltty") << held << QStringList{"/dev/ttyUSB0", "brltty", "systemctl mask"};
        OpenFacts notSerial{3, "/tmp/notes.txt", true, false, false, {}, false, false, {}, false};
        QTest::newRow("not a port") << notSerial << QStringList{"/tmp/notes.txt", "Com3", "[Ports]"};
    }
    void diagnosis()
    {
        QFETCH(OpenFacts, facts);
        QFETCH(QStringList, says);
        const QString text = openFailureText(facts);
        for (const QString &part : says)
            QVERIFY2(text.contains(part), qPrintable(part + " not in: " + text));
        QVERIFY2(!text.contains("device") && !text.contains("Permission"), qPrintable(text)); // French only
    }

    // What the system shows: the program holding the port, a path that is no port, a missing one.
    void gatheredFacts()
    {
        PtyPair pty;
        QProcess holder;
        holder.start("sh", {"-c", "exec 3<>\"$0\"; exec sleep 60", pty.slavePath()});
        QVERIFY(holder.waitForStarted());
        QTRY_COMPARE(gatherOpenFacts(1, pty.slavePath()).holder, QStringLiteral("sleep"));
        holder.kill();
        holder.waitForFinished();
        const OpenFacts free = gatherOpenFacts(1, pty.slavePath());
        QVERIFY(free.present && free.serialDevice && free.holder.isEmpty() && !free.accessDenied);

        QTemporaryDir dir;
        QFile plain(dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QVERIFY(!gatherOpenFacts(1, plain.fileName()).serialDevice);
        QVERIFY(!gatherOpenFacts(1, dir.filePath("gone")).present);
    }

    // The wait runs on its thread, reports each return, ends on a refusal, and stop() ends a blocked wait.
    void waiterThread()
    {
        BlockingWaiter waiter;
        QSignalSpy happened(&waiter, &BlockingWaiter::happened);
        QSignalSpy ended(&waiter, &BlockingWaiter::ended);
        std::atomic<int> calls{0};
        waiter.start([&] {
            if (++calls <= 3)
                return 0;
            ::pause(); // like TIOCMIWAIT on a quiet line
            return errno;
        });
        QTRY_COMPARE(happened.count(), 3);
        waiter.stop();
        QVERIFY(!waiter.isRunning());
        QCOMPARE(ended.count(), 0);

        waiter.start([] { return ENOTTY; }); // a driver without the wait
        QVERIFY(ended.wait(2000));
        QCOMPARE(ended.first().first().toInt(), ENOTTY);
    }

    // Lasting names from /dev/serial/by-id, drivers from sysfs; the list shows them, an absent mapping too.
    void devicesByName()
    {
        QTemporaryDir dir;
        const QString node = dir.filePath("ttyUSB0"), byId = dir.filePath("by-id");
        QVERIFY(QFile(node).open(QIODevice::WriteOnly) && QDir().mkpath(byId)
                && QDir().mkpath(dir.filePath("sys/ttyUSB0/device")));
        QVERIFY(QFile::link(node, byId + "/usb-FTDI_X-if00-port0"));
        QVERIFY(QFile::link(dir.filePath("drivers/ftdi_sio"), dir.filePath("sys/ttyUSB0/device/driver")));
        QList<SerialDevice> devices{{"ttyUSB0", node, {}, {}, {}, {}, {}, {}},
                                    {"ttyS4", "/dev/ttyS4", {}, {}, {}, {}, {}, {}}};
        PortResolver::addSystemNames(devices, byId, dir.filePath("sys"));
        QCOMPARE(devices.at(0).stableName, byId + "/usb-FTDI_X-if00-port0");
        QCOMPARE(devices.at(0).driver, QStringLiteral("ftdi_sio"));
        QVERIFY(devices.at(1).stableName.isEmpty() && devices.at(1).driver.isEmpty());

        const QList<DeviceChoice> choices = deviceChoices({ftdi()}, "/dev/serial/by-id/usb-other-if00-port0");
        QCOMPARE(choices.size(), 3);
        QCOMPARE(choices.at(1),
                 (DeviceChoice{"ttyUSB0 — FT232R USB UART, FTDI, n° A50285BI, USB 0403:6001, pilote ftdi_sio", ById,
                               "/dev/ttyUSB0"}));
        QCOMPARE(choices.at(2).text, QStringLiteral("/dev/serial/by-id/usb-other-if00-port0 — absent"));
        QCOMPARE(choiceFor(choices, "/dev/ttyUSB0"), 1); // a mapping by node is recognised
        QCOMPARE(choiceFor(choices, QString()), 0);
    }

    // Choosing a device maps the port to its lasting name and reopens an open port on it; a refused open puts the
    // old mapping back.
    void dialogMapsThePort()
    {
        TempSettings settings;
        PtyPair first, board;
        const QString boardById = settings.dir.filePath("usb-KORVEX-if00");
        QVERIFY(QFile::link(board.slavePath(), boardById));
        QList<SerialDevice> present{ftdi(), {"pts-board", board.slavePath(), "KORVEX", {}, {}, {}, boardById, {}}};
        MSComm comm(PortResolver(
            &settings.store, [&] { return present; }, noConsoles));
        settings.mapPort(1, first.slavePath());
        comm.setPortOpen(true);
        SharedValues shared;
        RecordingMessageBoxes boxes;
        auto choose = [&](int entry) {
            FrmProperties dialog(comm, shared, settings.store, boxes);
            auto *list = dialog.findChild<QComboBox *>("cboDevice");
            QCOMPARE(list->count(), 4); // automatic, the two present, the mapped pty
            QCOMPARE(list->currentIndex(), 3);
            list->setCurrentIndex(entry);
            dialog.cmdOK_Click();
        };
        choose(1); // the FTDI adapter, listed but gone
        QCOMPARE(settings.store.get("Ports", "Com1"), first.slavePath());
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(boxes.shown.last().informativeText.contains(ById));
        QVERIFY(!comm.PortOpen());

        comm.setPortOpen(true);
        choose(2);
        QCOMPARE(settings.store.get("Ports", "Com1"), boardById);
        QVERIFY(comm.PortOpen());
        comm.Output("x");
        QCOMPARE(board.readAtLeast(1), QByteArray("x"));
    }

    // A lab's defaults come from the system files, the first one first; the user's own values win and go to their
    // file only. A file that cannot be written is reported once, with the file and why; the value holds meanwhile.
    void labDefaultsAndUnwritableStore()
    {
        QTemporaryDir dir;
        const QString lab = dir.filePath("lab.ini"), vendor = dir.filePath("vendor.ini");
        SettingsStore(lab).save("Ports", "Com1", ById);
        SettingsStore(vendor).save("Ports", "Com1", "/dev/ttyS9");
        SettingsStore(vendor).save("Properties", "Settings", "300,n,8,1");
        SettingsStore store(dir.filePath("user.ini"), {lab, vendor});
        QCOMPARE(store.get("Ports", "Com1"), ById);
        QCOMPARE(store.get("Properties", "Settings"), QStringLiteral("300,n,8,1"));
        store.save("Properties", "Settings", "9600,n,8,1");
        QCOMPARE(store.get("Properties", "Settings"), QStringLiteral("9600,n,8,1"));
        QCOMPARE(SettingsStore(vendor).get("Properties", "Settings"), QStringLiteral("300,n,8,1"));

        QFile blocker(dir.filePath("home"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a folder cannot be made under a file, even as root
        SettingsStore locked(dir.filePath("home/.config/KORVEX Terminal.ini"));
        QStringList reports;
        locked.setFailureReporter([&](const QString &file, const QString &reason) { reports << file + ": " + reason; });
        locked.save("Properties", "Echo", "1");
        locked.save("Properties", "CommPort", "2");
        QCOMPARE(reports, QStringList{dir.filePath("home/.config/KORVEX Terminal.ini") + ": le dossier "
                                      + dir.filePath("home/.config") + " n'existe pas et ne peut pas être créé"});
        QCOMPARE(locked.get("Properties", "CommPort"), QStringLiteral("2"));
    }

    // An unplugged device costs no timer: its folder is watched, and its return reopens the port at once; one that
    // refuses to open at first is tried again shortly.
    void reconnectOnReturn()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("board");
        int refusals = 2;
        Reconnector reconnector(
            {[&] { return QFileInfo::exists(link); }, [&] { return refusals-- <= 0; }, [&] { return link; }});
        QSignalSpy reconnected(&reconnector, &Reconnector::reconnected);
        reconnector.watch();
        QVERIFY(reconnector.isWatching());
        QVERIFY(!reconnector.isPolling());
        QVERIFY(QFile::link("/dev/null", link));
        QVERIFY(reconnected.wait(2000));
        QCOMPARE(refusals, -1);
        QVERIFY(!reconnector.isWatching());
    }
};

QTEST_MAIN(TestRealAdapters)
#include "tst_realadapters.moc"
