// The simulated board from the terminal's end of a real pty, through Qt's serial port alone.

#include "simulatedboard.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest/QTest>

#include <functional>
#include <memory>

namespace {

const QByteArray Ack(1, 6);
const QByteArray Nak(1, 21);
// A load line with the blank that follows it, as the terminal sends it.
const QByteArray Good = "10 4100:02 13 24 35 46 57 68 79 8A 9B AC BD CE DF F0 01 0718 ";

using Setup = std::function<void(SimulatedBoard &)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

class tst_Board : public QObject
{
    Q_OBJECT

    std::unique_ptr<SimulatedBoard> board;
    QSerialPort port; // the terminal's end
    QByteArray received;

private slots:
    void initTestCase()
    {
        connect(&port, &QSerialPort::readyRead, this, [this] { received += port.readAll(); });
        // Qt repeats the read error without end on a vanished device: stop at the first.
        connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
            if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
                port.close();
        });
    }
    void init()
    {
        port.close();
        received.clear();
        board = std::make_unique<SimulatedBoard>();
        QString error;
        QVERIFY2(board->open(&error), qPrintable(error));
        port.setPortName(board->slavePath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    }

    void loadLine_data()
    {
        QTest::addColumn<QByteArray>("transfer");
        QTest::addColumn<QString>("reason"); // empty: good, stored
        const auto broken = [](int at, const char *with) { return QByteArray(Good).replace(at, qstrlen(with), with); };
        QTest::newRow("upper case") << Good << "";
        QTest::newRow("lower") << QByteArray("10 41a0:a0 b1 c2 d3 e4 f5 06 17 28 39 4a 5b 6c 7d 8e 9f 07f8 ") << "";
        QTest::newRow("sum 0FF0") << QByteArray("10 0000:FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 0FF0 ") << "";
        QTest::newRow("wraps") << QByteArray("10 FFF8:10 21 32 43 54 65 76 87 98 A9 BA CB DC ED FE 0F 07F8 ") << "";
        QTest::newRow("count") << broken(0, "11") << "count is \"11\"";
        QTest::newRow("blank after count") << broken(2, "_") << "no blank after the count";
        QTest::newRow("address not hex") << broken(3, "41G0") << "address \"41G0\"";
        QTest::newRow("colon") << broken(7, " ") << "no ':'";
        QTest::newRow("data not hex") << broken(11, "4Z") << "data byte 2 \"4Z\"";
        QTest::newRow("fields run together") << broken(55, "0") << "no blank after data byte 16";
        QTest::newRow("sum of other data") << broken(8, "03") << "does not match the data";
        QTest::newRow("sum not hex") << broken(56, "07-8") << "sum \"07-8\"";
        QTest::newRow("no blank after the line") << broken(60, "X") << "no blank after the load line";
        QTest::newRow("cut short by CR") << Good.left(20) + '\r' << "cut short by a carriage return";
    }
    void loadLine()
    {
        QFETCH(QByteArray, transfer);
        QFETCH(QString, reason);
        port.write("H");
        QTRY_COMPARE(received, Ack);
        port.write(transfer);
        QTRY_COMPARE(board->recordsStored() + board->failedChecks().size(), 1);
        QByteArray memory(65536, '\0');
        if (reason.isEmpty()) {
            const int address = transfer.mid(3, 4).toInt(nullptr, 16);
            const QByteArray data = QByteArray::fromHex(transfer.mid(8, 48));
            for (int k = 0; k < 16; ++k)
                memory[(address + k) % 65536] = data.at(k);
            QCOMPARE(board->loadLines(), QList<QByteArray>{transfer.left(60)});
        } else {
            const BoardCheckFailure failure = board->failedChecks().value(0);
            QVERIFY(transfer.startsWith(failure.line));
            QVERIFY2(failure.reason.contains(reason), qPrintable(failure.reason));
            QCOMPARE(board->transcript().value("failedChecks").toArray().size(), 1);
        }
        QCOMPARE(board->memory(), memory);
        // Nothing else came back: the board takes the next "H" at its command line.
        port.write("H");
        QTRY_VERIFY(received.endsWith(Ack) && received.size() > 1);
        QCOMPARE(board->bytesReceived(), "H" + transfer + "H");
    }

    // After each write, everything the terminal has received so far.
    void failureModes_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QByteArrayList>("received");
        const QByteArray prompt = "\r\n> ";
        // The answer to the command shows that no ACK went before it.
        QTest::newRow("silent") << Setup([](SimulatedBoard &b) { b.setSilent(true); }) << QByteArrayList{"H", "X1\r"}
                                << QByteArrayList{"", "X1\r\nExecution a partir de 0001" + prompt};
        QTest::newRow("NAK after 1") << Setup([](SimulatedBoard &b) { b.setNakAfter(1); })
                                     << QByteArrayList{"H", Good, "H", "H"}
                                     << QByteArrayList{Ack, Ack, Ack + Nak, Ack + Nak + Nak};
        QTest::newRow("answer one") << Setup([](SimulatedBoard &b) { b.setAnswerOne(true); }) << QByteArrayList{"H"}
                                    << QByteArrayList{"1"};
        QTest::newRow("junk after ACK") << Setup([prompt](SimulatedBoard &b) { b.setJunkAfterAck(prompt); })
                                        << QByteArrayList{"H", Good} << QByteArrayList{Ack + prompt, Ack + prompt};
        QTest::newRow("chatty") << Setup([](SimulatedBoard &b) { b.setChatty(true); }) << QByteArrayList{"H", Good, "H"}
                                << QByteArrayList{Ack, Ack + prompt, Ack + prompt + Ack};
        QTest::newRow("hang up after 2") << Setup([](SimulatedBoard &b) { b.setHangUpAfter(2); })
                                         << QByteArrayList{"H", Good, "H", Good}
                                         << QByteArrayList{Ack, Ack, Ack + Ack, Ack + Ack};
    }
    void failureModes()
    {
        QFETCH(Setup, setup);
        QFETCH(QByteArrayList, writes);
        QFETCH(QByteArrayList, received);
        setup(*board);
        for (qsizetype i = 0; i < writes.size(); ++i) {
            port.write(writes.at(i));
            QTRY_COMPARE(board->bytesReceived(), writes.mid(0, i + 1).join());
            QTRY_COMPARE(this->received, received.at(i));
        }
        QCOMPARE(board->recordsStored(), int(writes.count(Good)));
        const bool hangsUp = QByteArray(QTest::currentDataTag()).startsWith("hang up");
        QTRY_COMPARE(port.isOpen(), !hangsUp); // the terminal sees its device vanish
    }

    void pacing()
    {
        QSignalSpy arrived(&port, &QSerialPort::readyRead);
        QElapsedTimer clock;
        board->setReplyDelayMs(150);
        clock.start();
        port.write("H");
        QVERIFY(arrived.wait(2000));
        QVERIFY(clock.elapsed() >= 150);
        port.write(Good);
        QTRY_COMPARE(board->recordsStored(), 1);

        board->setReplyDelayMs(0);
        board->setLineSpeed(300); // 33 ms a character
        clock.restart();
        port.write("H");
        QVERIFY(arrived.wait(2000));
        QVERIFY(clock.elapsed() >= 33); // no answer before the request has arrived
        clock.restart();
        board->send("0123456789");
        QTRY_VERIFY(received.endsWith("0123456789"));
        QVERIFY(clock.elapsed() >= 9 * 33);
    }

    // `expected` is part of what comes back; with a leading '^', how it begins.
    void monitorCommands_data()
    {
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("executes");
        QTest::newRow("execute") << QByteArray("x 41a0\r") << QByteArray("^x 41a0\r\nExecution a partir de 41A0\r\n> ")
                                 << QStringList{"41a0"};
        QTest::newRow("bad hex") << QByteArray("X41G0\r") << QByteArray("Valeur invalide: 41G0") << QStringList{"41G0"};
        QTest::newRow("fill, data memory") << QByteArray("F 10,1f,5a\rD 10 1F\r")
                                           << "\r\n0010:" + QByteArray(" 5A").repeated(16) + "\r\n> " << QStringList();
        QTest::newRow("modify, RAM") << QByteArray("M 21 AB\rR\r") << QByteArray("\r\n20: 00 AB 00 ") << QStringList();
        QTest::newRow("program memory") << QByteArray("P FFF0 FFFF\r")
                                        << "\r\nFFF0:" + QByteArray(" 00").repeated(16) + "\r\n> " << QStringList();
        QTest::newRow("unknown command") << QByteArray("Z\r") << QByteArray("Commande inconnue: Z") << QStringList();
        QTest::newRow("backspace edits the line")
            << QByteArray("Q\bX41\b\b4100\r") << QByteArray("^Q\b \bX41\b \b\b \b4100\r\n") << QStringList{"4100"};
        QTest::newRow("delete") << QByteArray("X56\x7f\r") << QByteArray("^X56\b \b\r\n") << QStringList{"5"};
        QTest::newRow("nothing to erase") << QByteArray("\bX1\r") << QByteArray("^X1\r\n") << QStringList{"1"};
        QTest::newRow("first empty line greets once")
            << QByteArray("\r\r") << QByteArray("^\r\nKORVEX - moniteur simule\r\nCommandes: X P D R F M\r\n> \r\n> ")
            << QStringList();
    }
    void monitorCommands()
    {
        QFETCH(QByteArray, typed);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, executes);
        port.write(typed);
        QTRY_COMPARE(received.count("> "), typed.count('\r')); // one prompt per command line
        QVERIFY2(expected.startsWith('^') ? received.startsWith(expected.mid(1)) : received.contains(expected),
                 received.constData());
        QCOMPARE(board->executeRequests(), executes);
    }

    // The board's own slave descriptor keeps the line up between terminals.
    void terminalMayCloseAndReopen()
    {
        QSignalSpy hungUp(board.get(), &SimulatedBoard::hungUp);
        port.close();
        board->send("waiting");
        QVERIFY(!hungUp.wait(200)); // without it the master reports a hang-up at once
        QCOMPARE(board->pendingOutput(), 0);
        QVERIFY(port.open(QIODevice::ReadWrite));
        QTRY_COMPARE(received, QByteArray("waiting"));
        port.write("H");
        QTRY_COMPARE(received, "waiting" + Ack);
    }
};

QTEST_MAIN(tst_Board)
#include "tst_board.moc"
