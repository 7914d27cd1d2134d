// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated board from the terminal's end of a real pty, through Qt's serial port alone.

#include "simulatedboard.h"

#include <QSerialPort>
#include <QtTest/QTest>

#include <functional>
#include <memory>

namespace {

const QByteArray Ack(1, 6);
const QByteArray Prompt = "\r\n> ";
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

    // After each write, everything the terminal has received so far; a sound load line lands in program memory (the
    // terminal's uploads prove that, and NAK and hang-up), a broken one is refused with its reason.
    void exchange_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QByteArrayList>("received");
        QTest::addColumn<QString>("refused"); // the reason given for the load line, if any
        const Setup none = [](SimulatedBoard &) {};
        const auto broken = [](int at, const char *with) { return QByteArray(Good).replace(at, qstrlen(with), with); };
        const auto load = [&](const char *name, const QByteArray &line, const char *reason) {
            QTest::newRow(name) << none << QByteArrayList{"H", line, "H"} << QByteArrayList{Ack, Ack, Ack + Ack}
                                << reason;
        };
        load("count", broken(0, "11"), "count is \"11\"");
        load("sum of other data", broken(8, "03"), "does not match the data");
        QTest::newRow("answer one") << Setup([](SimulatedBoard &b) { b.setAnswerOne(true); }) << QByteArrayList{"H"}
                                    << QByteArrayList{"1"} << "";
        QTest::newRow("junk after ACK") << Setup([](SimulatedBoard &b) { b.setJunkAfterAck(Prompt); })
                                        << QByteArrayList{"H", Good} << QByteArrayList{Ack + Prompt, Ack + Prompt}
                                        << "";
        QTest::newRow("chatty") << Setup([](SimulatedBoard &b) { b.setChatty(true); }) << QByteArrayList{"H", Good, "H"}
                                << QByteArrayList{Ack, Ack + Prompt, Ack + Prompt + Ack} << "";
        // The monitor at its command line: what comes back for each line typed (echo, answer, prompt).
        const auto typed = [&](const char *name, const QByteArrayList &lines, const QByteArrayList &answers) {
            QByteArrayList received;
            for (qsizetype i = 0; i < answers.size(); ++i)
                received << answers.mid(0, i + 1).join();
            QTest::newRow(name) << none << lines << received << "";
        };
        typed("bad hex, too few, too many", {"X41G0\r", "F 10 1F\r", "M 1 2 3\r"},
              {"X41G0\r\nValeur invalide: 41G0 (4 chiffres hexa au plus)\r\n> ",
               "F 10 1F\r\nUsage: F debut fin valeur\r\n> ", "M 1 2 3\r\nUsage: M adresse valeur\r\n> "});
        typed("fill, data memory", {"F 10,1f,5a\r", "D 10 1F\r"},
              {"F 10,1f,5a\r\nMemoire de donnees 0010-001F remplie avec 5A\r\n> ",
               "D 10 1F\r\n0010:" + QByteArray(" 5A").repeated(16) + "\r\n> "});
        typed("backspace, delete", {"Q\bX4\x7f\r"}, {"Q\b \bX4\b \b\r\nUsage: X adresse\r\n> "});
    }
    void exchange()
    {
        QFETCH(Setup, setup);
        QFETCH(QByteArrayList, writes);
        QFETCH(QByteArrayList, received);
        QFETCH(QString, refused);
        setup(*board);
        for (qsizetype i = 0; i < writes.size(); ++i) {
            port.write(writes.at(i));
            QTRY_COMPARE(board->bytesReceived(), writes.mid(0, i + 1).join());
            QTRY_COMPARE(this->received, received.at(i));
        }
        QByteArray memory(65536, '\0');
        if (board->recordsStored() > 0)
            memory.replace(0x4100, 16, QByteArray::fromHex(Good.mid(8, 48)));
        QCOMPARE(board->memory(), memory);
        QCOMPARE(board->recordsStored(), int(refused.isEmpty() && writes.contains(Good)));
        QVERIFY(board->failedChecks().value(0).reason.contains(refused));
    }
};

QTEST_MAIN(tst_Board)
#include "tst_board.moc"
