// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/mscomm.h"
#include "shared/failure.h"

#include "ptypair.h"
#include "testenv.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>

#include <termios.h>

static int failureNumber(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const Failure &failure) {
        return failure.number();
    }
    return 0;
}

class TestMSComm : public QObject
{
    Q_OBJECT

    TempSettings settings;
    PortResolver resolver() { return PortResolver(&settings.store, noDevices, noConsoles); }

private slots:
    // A refusal changes nothing: the initial values stay.
    void refusals()
    {
        const struct
        {
            const char *what;
            std::function<void(MSComm &)> operation;
            int number;
        } cases[] = {
            {"port 0", [](MSComm &c) { c.setCommPort(0); }, 380},
            {"port 256", [](MSComm &c) { c.setCommPort(256); }, 380},
            {"flow control 4", [](MSComm &c) { c.setHandshaking(4); }, 380},
            {"ill-formed settings", [](MSComm &c) { c.setSettings(QStringLiteral("9600;n;8;1")); }, 380},
            {"output while closed", [](MSComm &c) { c.Output(QStringLiteral("X")); }, 8018},
            {"input while closed", [](MSComm &c) { c.Input(); }, 8018},
            {"no device", [](MSComm &c) { c.setCommPort(3), c.setPortOpen(true); }, 8002},
        };
        for (const auto &c : cases) {
            MSComm comm(resolver());
            QVERIFY2(failureNumber([&] { c.operation(comm); }) == c.number, c.what);
            QVERIFY2(comm.Settings() == QLatin1String("9600,n,8,1") && comm.Handshaking() == 0 && !comm.PortOpen(),
                     c.what);
        }
    }

    // Bytes both ways are Latin-1; input from before the open is dropped. A board at its own pace hands over a few
    // bytes every millisecond: they come in far fewer notifications, none lost or reordered.
    void bytesBothWaysTricklingIn()
    {
        PtyPair pty;
        pty.write("stale");
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        comm.Output(QString::fromLatin1(all));
        QCOMPARE(pty.readAtLeast(all.size()), all);

        const QByteArray sent = all.repeated(24);
        QString received;
        int notifications = 0;
        bool receiveOnly = true;
        // A plain event loop: QTRY's waits sleep between passes, which would bunch the writes up.
        QEventLoop loop;
        connect(&comm, &MSComm::OnComm, this, [&](CommEventCode code) {
            ++notifications;
            receiveOnly = receiveOnly && code == CommEventCode::Receive;
            received += comm.Input();
            if (received.size() >= sent.size())
                loop.quit();
        });
        QTimer feed;
        qsizetype at = 0;
        connect(&feed, &QTimer::timeout, this, [&] {
            pty.write(sent.mid(at, 12));
            at += 12;
            if (at >= sent.size())
                feed.stop();
        });
        feed.start(1);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(received.toLatin1(), sent);
        QCOMPARE(comm.Input(), QString()); // everything was handed over once
        QVERIFY(receiveOnly);
        QVERIFY2(notifications < int(sent.size() / 12 / 2), qPrintable(QString::number(notifications)));
    }

    void settingsAndFlowControlReachTheDevice()
    {
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setHandshaking(3);
        comm.setSettings(QStringLiteral("19200,n,8,1.5"));
        comm.setPortOpen(true);
        termios tio{};
        QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
        QVERIFY(tio.c_iflag & IXON);    // XON/XOFF added to RTS/CTS
        QVERIFY(tio.c_cflag & CSTOPB);  // 1.5 runs as two stop bits here
        QVERIFY(tio.c_cflag & CRTSCTS); // and RTS/CTS kept
        comm.setHandshaking(0);
        QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
        QVERIFY(!(tio.c_iflag & IXON));

        // A pty takes a new speed but refuses parity: the refused change
        // leaves the line, and what the component reports, as they were.
        QCOMPARE(failureNumber([&] { comm.setSettings(QStringLiteral("9600,e,7,1")); }), 8015);
        QCOMPARE(comm.Settings(), QStringLiteral("19200,n,8,1.5"));
        QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B19200));
    }

    void vanishedDeviceClosesThePortOnce()
    {
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);
        // While open: no second open, no other number (a second opener is tst_window's start-up).
        QCOMPARE(failureNumber([&] { comm.setPortOpen(true); }), 8005);
        QCOMPARE(failureNumber([&] { comm.setCommPort(2); }), 8005);
        QSignalSpy lost(&comm, &MSComm::deviceLost);
        pty.hangUp();
        QVERIFY(lost.wait(5000));
        QVERIFY(!comm.PortOpen());
        QVERIFY(!lost.wait(200)); // no further emissions, no error loop
        QCOMPARE(lost.count(), 1);
        QCOMPARE(failureNumber([&] { comm.Output(QStringLiteral("X")); }), 8018);
    }
};

QTEST_GUILESS_MAIN(TestMSComm)
#include "tst_mscomm.moc"
