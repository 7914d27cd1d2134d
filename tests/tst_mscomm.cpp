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
    void refusals_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("number");
        QTest::newRow("port 0") << 0 << 380;
        QTest::newRow("port 256") << 1 << 380;
        QTest::newRow("flow control 4") << 2 << 380;
        QTest::newRow("flow control -1") << 3 << 380;
        QTest::newRow("ill-formed settings") << 4 << 380;
        QTest::newRow("output on a closed port") << 5 << 8018;
        QTest::newRow("input on a closed port") << 6 << 8018;
        QTest::newRow("open a port with no device") << 7 << 8002;
        QTest::newRow("open a mapped path that is gone") << 8 << 8002;
    }
    void refusals()
    {
        QFETCH(int, operation);
        QFETCH(int, number);
        settings.mapPort(9, QStringLiteral("/nonexistent/ttyGONE"));
        MSComm comm(resolver());
        const std::function<void()> operations[] = {
            [&] { comm.setCommPort(0); },
            [&] { comm.setCommPort(256); },
            [&] { comm.setHandshaking(4); },
            [&] { comm.setHandshaking(-1); },
            [&] { comm.setSettings(QStringLiteral("9600;n;8;1")); },
            [&] { comm.Output(QStringLiteral("X")); },
            [&] { comm.Input(); },
            [&] { comm.setCommPort(3), comm.setPortOpen(true); },
            [&] { comm.setCommPort(9), comm.setPortOpen(true); },
        };
        QCOMPARE(failureNumber(operations[operation]), number);
        // A refusal changes nothing: the initial values stay.
        QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(comm.Handshaking(), 0);
        QVERIFY(!comm.PortOpen());
    }

    void bytesBothWaysAreLatin1()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        pty.write("stale"); // input from before the open is dropped
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);

        QByteArray bytes(256, '\0');
        for (int i = 0; i < 256; ++i)
            bytes[i] = char(i);
        comm.Output(QString::fromLatin1(bytes));
        QCOMPARE(pty.readAtLeast(bytes.size()), bytes);

        QSignalSpy notified(&comm, &MSComm::OnComm);
        pty.write(bytes);
        QString received;
        QTRY_VERIFY_WITH_TIMEOUT((received += notified.isEmpty() ? QString() : comm.Input(), received.size() >= 256),
                                 5000);
        QCOMPARE(notified.first().first().value<CommEventCode>(), CommEventCode::Receive);
        QCOMPARE(received.toLatin1(), bytes);
        QCOMPARE(comm.Input(), QString()); // everything was handed over once
    }

    void tricklingLineIsReadWholeInFewerPieces()
    {
        // A board at its own pace hands over a few bytes every millisecond:
        // they come in far fewer notifications, none lost or reordered.
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);
        QByteArray sent;
        for (int i = 0; sent.size() < 6000; ++i)
            sent += QByteArray::number(i) + ' ';
        QString received;
        int notifications = 0;
        // A plain event loop: QTRY's waits sleep between passes, which would
        // bunch the writes up.
        QEventLoop loop;
        connect(&comm, &MSComm::OnComm, this, [&] {
            ++notifications;
            received += comm.Input();
            if (received.size() >= sent.size())
                loop.quit();
        });
        QTimer feed;
        qsizetype at = 0;
        int writes = 0;
        connect(&feed, &QTimer::timeout, this, [&] {
            pty.write(sent.mid(at, 12));
            at += 12;
            if (++writes, at >= sent.size())
                feed.stop();
        });
        feed.start(1);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(received.toLatin1(), sent);
        QVERIFY2(notifications < writes / 2,
                 qPrintable(QStringLiteral("%1 notifications for %2 writes").arg(notifications).arg(writes)));
    }

    void secondOpenerIsRefused()
    {
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        // The second opener comes through a link, as the demo and users' maps do.
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("board"));
        QVERIFY(QFile::link(pty.slavePath(), link));
        settings.mapPort(2, link);

        MSComm first(resolver());
        first.setPortOpen(true);
        MSComm second(resolver());
        second.setCommPort(2);
        QCOMPARE(failureNumber([&] { second.setPortOpen(true); }), 8005);
        QVERIFY(!second.PortOpen());
        QCOMPARE(failureNumber([&] { first.setPortOpen(true); }), 8005); // already open
        QCOMPARE(failureNumber([&] { first.setCommPort(2); }), 8005);    // only while closed

        first.setPortOpen(false);
        second.setPortOpen(true);
        QVERIFY(second.PortOpen());
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
    }

    // A pty takes a new speed but refuses parity: the refused change leaves
    // the line, and what the component reports, as they were.
    void refusedChangeWhileOpenLeavesTheLine()
    {
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);
        QCOMPARE(failureNumber([&] { comm.setSettings(QStringLiteral("19200,e,7,1")); }), 8015);
        QCOMPARE(comm.Settings(), QStringLiteral("9600,n,8,1"));
        termios tio{};
        QCOMPARE(::tcgetattr(pty.masterFd(), &tio), 0);
        QCOMPARE(cfgetospeed(&tio), speed_t(B9600));
        QVERIFY(comm.PortOpen());
    }

    void vanishedDeviceClosesThePortOnce()
    {
        PtyPair pty;
        settings.mapPort(1, pty.slavePath());
        MSComm comm(resolver());
        comm.setPortOpen(true);
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
