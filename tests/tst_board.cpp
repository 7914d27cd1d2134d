// The simulated board, seen from the terminal's side of a real pty: a plain
// descriptor on the slave, nothing of the product's own serial code.

#include "simulatedboard.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <memory>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr char Ack = 6;
constexpr char Nak = 21;

// The terminal's end of the line: reads everything into `received`, notes
// when each read happened, and notes the end of the device.
class TerminalSide : public QObject
{
public:
    ~TerminalSide() override { close(); }

    bool open(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminalSide::onReadable);
        m_clock.start();
        return true;
    }

    void close()
    {
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    void clear()
    {
        received.clear();
        m_reads.clear();
    }

    void write(const QByteArray &bytes)
    {
        writtenAtNs = m_clock.nsecsElapsed();
        QCOMPARE(::write(m_fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }

    // When `received` first held at least `size` bytes.
    qint64 receivedAtNs(qsizetype size) const
    {
        for (const auto &[total, at] : m_reads) {
            if (total >= size)
                return at;
        }
        return -1;
    }

    int fd() const { return m_fd; }

    QByteArray received;
    bool gone = false; // EOF or EIO: the device vanished
    qint64 writtenAtNs = 0;

private:
    void onReadable()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                received.append(buffer, n);
                m_reads.append({received.size(), m_clock.nsecsElapsed()});
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            gone = true;
            m_notifier->setEnabled(false);
            return;
        }
    }

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QElapsedTimer m_clock;
    QList<std::pair<qsizetype, qint64>> m_reads;
};

// A load line as the terminal builds it, with the blank that follows it.
QByteArray loadTransfer(const QByteArray &address, const QByteArray &data, bool lowerCase = false)
{
    QByteArray line = "10 " + address + ":";
    int sum = 0;
    for (const char byte : data) {
        QByteArray field = QByteArray::number(quint8(byte), 16).rightJustified(2, '0');
        line += (lowerCase ? field.toLower() : field.toUpper()) + ' ';
        sum += quint8(byte);
    }
    const QByteArray sumText = QByteArray::number(sum, 16).rightJustified(4, '0');
    return line + (lowerCase ? sumText.toLower() : sumText.toUpper()) + ' ';
}

QByteArray sixteenBytes(int first)
{
    QByteArray data;
    for (int i = 0; i < 16; ++i)
        data += char(first + 17 * i);
    return data;
}

const QByteArray GoodTransfer = loadTransfer("4100", sixteenBytes(0x02));

} // namespace

class tst_Board : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void loadExchange_data();
    void loadExchange();
    void malformedLoadLine_data();
    void malformedLoadLine();
    void loadLineCutShortByCarriageReturn();
    void failureModes_data();
    void failureModes();
    void replyDelay();
    void lineSpeedPacesBothDirections();
    void monitorCommands_data();
    void monitorCommands();
    void hangUpIsSeenAsDeviceGone();
    void hangUpAfterRecords();
    void terminalMayCloseAndReopen();
    void largeStreamArrivesWholeAndInOrder();
    void serialPortTalksToBoardAndSeesHangUp();

    void programRunsLinksAndLogs();
    void programHangsUpOnSignal();
    void programRefusesBadOptions_data();
    void programRefusesBadOptions();

private:
    std::unique_ptr<SimulatedBoard> board;
    std::unique_ptr<TerminalSide> terminal;
};

void tst_Board::init()
{
    terminal.reset();
    board = std::make_unique<SimulatedBoard>();
    QString error;
    QVERIFY2(board->open(&error), qPrintable(error));
    terminal = std::make_unique<TerminalSide>();
    QVERIFY(terminal->open(board->slavePath()));
}

void tst_Board::loadExchange_data()
{
    QTest::addColumn<QByteArray>("transfer");
    QTest::addColumn<int>("address");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("upper case") << GoodTransfer << 0x4100 << sixteenBytes(0x02);
    QTest::newRow("lower case digits") << loadTransfer("41a0", sixteenBytes(0xa0), true) << 0x41a0 << sixteenBytes(0xa0);
    QTest::newRow("all FF, sum 0FF0") << loadTransfer("0000", QByteArray(16, '\xff')) << 0 << QByteArray(16, '\xff');
    QTest::newRow("wraps at 64 KiB") << loadTransfer("FFF8", sixteenBytes(0x10)) << 0xfff8 << sixteenBytes(0x10);
}

void tst_Board::loadExchange()
{
    QFETCH(QByteArray, transfer);
    QFETCH(int, address);
    QFETCH(QByteArray, data);
    QSignalSpy lines(board.get(), &SimulatedBoard::loadLineReceived);

    terminal->write("H");
    QTRY_COMPARE(terminal->received, QByteArray(1, Ack));
    terminal->write(transfer);
    QTRY_COMPARE(board->recordsStored(), 1);

    QCOMPARE(board->loadLines(), QList<QByteArray>{transfer.left(60)});
    QVERIFY(board->failedChecks().isEmpty());
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).at(1).toBool(), true);
    for (int k = 0; k < 16; ++k)
        QCOMPARE(board->memory().at((address + k) % 65536), data.at(k));

    // Nothing followed the load line, and the board takes the next "H".
    terminal->write("H");
    QTRY_COMPARE(terminal->received, QByteArray(2, Ack));
    QCOMPARE(board->bytesReceived(), "H" + transfer + "H");
}

void tst_Board::malformedLoadLine_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QString>("reason");

    QTest::newRow("count") << 0 << QByteArray("11") << "count is \"11\"";
    QTest::newRow("blank after count") << 2 << QByteArray("_") << "no blank after the count";
    QTest::newRow("address not hex") << 3 << QByteArray("41G0") << "address \"41G0\"";
    QTest::newRow("colon") << 7 << QByteArray(" ") << "no ':'";
    QTest::newRow("data not hex") << 11 << QByteArray("4Z") << "data byte 2 \"4Z\"";
    QTest::newRow("fields run together") << 55 << QByteArray("0") << "no blank after data byte 16";
    QTest::newRow("sum of other data") << 8 << QByteArray("03") << "does not match the data";
    QTest::newRow("sum not hex") << 56 << QByteArray("05-F") << "sum \"05-F\"";
    QTest::newRow("no blank after the line") << 60 << QByteArray("X") << "no blank after the load line";
}

void tst_Board::malformedLoadLine()
{
    QFETCH(int, position);
    QFETCH(QByteArray, replacement);
    QFETCH(QString, reason);
    QByteArray transfer = GoodTransfer;
    transfer.replace(position, replacement.size(), replacement);
    QSignalSpy lines(board.get(), &SimulatedBoard::loadLineReceived);

    terminal->write("H");
    QTRY_COMPARE(terminal->received, QByteArray(1, Ack));
    terminal->write(transfer);
    QTRY_COMPARE(board->failedChecks().size(), 1);

    QCOMPARE(board->failedChecks().at(0).line, transfer);
    QVERIFY2(board->failedChecks().at(0).reason.contains(reason), qPrintable(board->failedChecks().at(0).reason));
    QCOMPARE(board->recordsStored(), 0);
    QCOMPARE(board->loadLines().size(), 1);
    QCOMPARE(lines.at(0).at(1).toBool(), false);
    QCOMPARE(board->memory(), QByteArray(65536, '\0'));
    const QJsonArray logged = board->transcript().value("failedChecks").toArray();
    QCOMPARE(logged.size(), 1);
    QCOMPARE(logged.at(0).toObject().value("reason").toString(), board->failedChecks().at(0).reason);

    // The board is back at its command line and takes the next record.
    terminal->write("H");
    QTRY_COMPARE(terminal->received, QByteArray(2, Ack));
}

void tst_Board::loadLineCutShortByCarriageReturn()
{
    terminal->write("H");
    QTRY_COMPARE(terminal->received, QByteArray(1, Ack));
    terminal->write(GoodTransfer.left(20) + "\r");
    QTRY_VERIFY(terminal->received.endsWith("> "));

    QVERIFY(terminal->received.contains("Ligne de chargement interrompue"));
    QCOMPARE(board->failedChecks().size(), 1);
    QCOMPARE(board->failedChecks().at(0).line, GoodTransfer.left(20));
    QVERIFY(board->loadLines().isEmpty());
}

void tst_Board::failureModes_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("nakAfter");
    QTest::addColumn<bool>("answerOne");
    QTest::addColumn<QByteArray>("junk");
    QTest::addColumn<bool>("chatty");
    // After each write, everything the terminal has received so far.
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArrayList>("received");

    const QByteArray ack(1, Ack);
    const QByteArray nak(1, Nak);
    const QByteArray execute = "X1\r";
    const QByteArray executed = "X1\r\nExecution a partir de 0001\r\n> ";

    QTest::newRow("default") << false << -1 << false << QByteArray() << false
                             << QByteArrayList{"H", GoodTransfer, "H"} << QByteArrayList{ack, ack, ack + ack};
    // The answer to the command shows that no ACK went before it.
    QTest::newRow("silent") << true << -1 << false << QByteArray() << false
                            << QByteArrayList{"H", execute} << QByteArrayList{"", executed};
    QTest::newRow("NAK after 0") << false << 0 << false << QByteArray() << false
                                 << QByteArrayList{"H"} << QByteArrayList{nak};
    QTest::newRow("NAK after 1") << false << 1 << false << QByteArray() << false
                                 << QByteArrayList{"H", GoodTransfer, "H", "H"}
                                 << QByteArrayList{ack, ack, ack + nak, ack + nak + nak};
    QTest::newRow("answer one") << false << -1 << true << QByteArray() << false
                                << QByteArrayList{"H"} << QByteArrayList{"1"};
    QTest::newRow("junk after ACK") << false << -1 << false << QByteArray("\r\n> ") << false
                                    << QByteArrayList{"H", GoodTransfer} << QByteArrayList{ack + "\r\n> ", ack + "\r\n> "};
    QTest::newRow("chatty") << false << -1 << false << QByteArray() << true
                            << QByteArrayList{"H", GoodTransfer, "H"}
                            << QByteArrayList{ack, ack + "\r\n> ", ack + "\r\n> " + ack};
}

void tst_Board::failureModes()
{
    QFETCH(bool, silent);
    QFETCH(int, nakAfter);
    QFETCH(bool, answerOne);
    QFETCH(QByteArray, junk);
    QFETCH(bool, chatty);
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArrayList, received);
    board->setSilent(silent);
    board->setNakAfter(nakAfter);
    board->setAnswerOne(answerOne);
    board->setJunkAfterAck(junk);
    board->setChatty(chatty);

    for (qsizetype i = 0; i < writes.size(); ++i) {
        terminal->write(writes.at(i));
        QTRY_COMPARE(board->bytesReceived(), writes.mid(0, i + 1).join());
        QTRY_COMPARE(terminal->received, received.at(i));
    }
    const int expectedStored = int(writes.count(GoodTransfer));
    QCOMPARE(board->recordsStored(), expectedStored);
}

void tst_Board::replyDelay()
{
    board->setReplyDelayMs(150);
    terminal->write("H");
    QTRY_COMPARE_WITH_TIMEOUT(terminal->received, QByteArray(1, Ack), 3000);
    QVERIFY(terminal->receivedAtNs(1) - terminal->writtenAtNs >= 150 * 1000000LL);
}

void tst_Board::lineSpeedPacesBothDirections()
{
    const qint64 characterNs = 10 * 1000000000LL / 1200;
    board->setLineSpeed(1200);

    // Output: forty characters take at least 39 character times.
    const QByteArray burst(40, 'u');
    board->send(burst);
    QTRY_COMPARE_WITH_TIMEOUT(terminal->received, burst, 5000);
    QVERIFY(terminal->receivedAtNs(40) - terminal->receivedAtNs(1) >= 39 * characterNs);

    // Input: the answer to a six-character command cannot start before the
    // command finished arriving.
    terminal->clear();
    terminal->write("X4100\r");
    QTRY_VERIFY_WITH_TIMEOUT(terminal->received.endsWith("> "), 5000);
    QVERIFY(terminal->received.startsWith("X4100\r\n"));
    QVERIFY(terminal->receivedAtNs(7) - terminal->writtenAtNs >= 6 * characterNs);
}

void tst_Board::monitorCommands_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("expected"); // part of what comes back
    QTest::addColumn<QStringList>("executes");

    QTest::newRow("execute") << QByteArray("X4100\r") << QByteArray("X4100\r\nExecution a partir de 4100\r\n> ")
                             << QStringList{"4100"};
    QTest::newRow("execute, lower case, blank") << QByteArray("x 41a0\r") << QByteArray("Execution a partir de 41A0")
                                                << QStringList{"41a0"};
    QTest::newRow("execute without address") << QByteArray("X\r") << QByteArray("Usage: X adresse") << QStringList{""};
    QTest::newRow("execute, bad address") << QByteArray("X41G0\r") << QByteArray("Valeur invalide: 41G0")
                                          << QStringList{"41G0"};
    QTest::newRow("fill then display data memory")
        << QByteArray("F 10,1f,5a\rD 10 1F\r") << QByteArray("\r\n0010: 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A\r\n> ")
        << QStringList();
    QTest::newRow("modify then display RAM") << QByteArray("M 21 AB\rR\r") << QByteArray("\r\n20: 00 AB 00 ") << QStringList();
    QTest::newRow("program memory, one line") << QByteArray("P FFF0 FFFF\r")
                                              << QByteArray("\r\nFFF0: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n> ")
                                              << QStringList();
    QTest::newRow("unknown command") << QByteArray("Z\r") << QByteArray("Commande inconnue: Z") << QStringList();
    QTest::newRow("RAM address too long") << QByteArray("M 100 01\r") << QByteArray("Valeur invalide: 100") << QStringList();
    QTest::newRow("end before start") << QByteArray("D 10 0\r") << QByteArray("Fin avant le debut") << QStringList();
    QTest::newRow("backspace edits the line") << QByteArray("Q\bX41\b\b4100\r") << QByteArray("Q\b \bX41\b \b\b \b4100\r\n")
                                              << QStringList{"4100"};
    QTest::newRow("delete edits the line too") << QByteArray("X5\x7f" "6\r") << QByteArray("Execution a partir de 0006")
                                               << QStringList{"6"};
    // Nothing to erase: nothing echoed before the X.
    QTest::newRow("backspace on an empty line") << QByteArray("\bX1\r") << QByteArray("X1\r\n") << QStringList{"1"};
    QTest::newRow("first empty line greets once") << QByteArray("\r\r") << QByteArray("\r\nKORVEX - moniteur simule\r\n")
                                                  << QStringList();
}

void tst_Board::monitorCommands()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, executes);
    QSignalSpy executeSignals(board.get(), &SimulatedBoard::executeRequested);

    terminal->write(typed);
    // One prompt per carriage return.
    QTRY_COMPARE(terminal->received.count("> "), typed.count('\r'));

    QVERIFY2(terminal->received.contains(expected), terminal->received.constData());
    QCOMPARE(terminal->received.count("KORVEX - moniteur"), typed == "\r\r" ? 1 : 0);
    if (QByteArray(QTest::currentDataTag()) == "backspace on an empty line")
        QVERIFY(terminal->received.startsWith("X1"));
    QCOMPARE(board->executeRequests(), executes);
    QCOMPARE(executeSignals.size(), executes.size());
    QCOMPARE(board->bytesReceived(), typed);
}

void tst_Board::hangUpIsSeenAsDeviceGone()
{
    QSignalSpy hungUp(board.get(), &SimulatedBoard::hungUp);
    board->hangUp();

    QCOMPARE(hungUp.size(), 1);
    QVERIFY(!board->isOpen());
    QVERIFY(board->slavePath().isEmpty());
    pollfd check{terminal->fd(), POLLIN, 0};
    QCOMPARE(::poll(&check, 1, 0), 1);
    QVERIFY(check.revents & POLLHUP);
    char byte;
    const ssize_t n = ::read(terminal->fd(), &byte, 1);
    QVERIFY(n == 0 || (n < 0 && errno == EIO));
}

void tst_Board::hangUpAfterRecords()
{
    board->setHangUpAfter(2);
    QSignalSpy hungUp(board.get(), &SimulatedBoard::hungUp);

    terminal->write("H");
    QTRY_COMPARE(terminal->received.size(), 1);
    terminal->write(GoodTransfer);
    terminal->write("H");
    QTRY_COMPARE(terminal->received.size(), 2);
    QVERIFY(!terminal->gone);
    terminal->write(GoodTransfer);

    QTRY_VERIFY(terminal->gone);
    QCOMPARE(hungUp.size(), 1);
    QCOMPARE(board->recordsStored(), 2);
}

void tst_Board::terminalMayCloseAndReopen()
{
    // The board's own slave descriptor keeps the line up between terminals.
    QSignalSpy hungUp(board.get(), &SimulatedBoard::hungUp);
    terminal->close();
    board->send("waiting");
    // Without it the master would report a hang-up at once: give it the chance.
    QVERIFY(!hungUp.wait(200));
    QCOMPARE(board->pendingOutput(), 0);

    QVERIFY(terminal->open(board->slavePath()));
    QTRY_COMPARE(terminal->received, QByteArray("waiting"));
    terminal->write("H");
    QTRY_COMPARE(terminal->received, "waiting" + QByteArray(1, Ack));
    QCOMPARE(hungUp.size(), 0);
}

void tst_Board::largeStreamArrivesWholeAndInOrder()
{
    QByteArray stream(4 << 20, '\0');
    for (qsizetype i = 0; i < stream.size(); ++i)
        stream[i] = char((i * 7 + i / 251) & 0xff);
    QSignalSpy drained(board.get(), &SimulatedBoard::outputDrained);

    board->send(stream);
    // The pty holds far less: the rest waits in the board, which does not block.
    QVERIFY(board->pendingOutput() > 0);

    QTRY_COMPARE_WITH_TIMEOUT(terminal->received.size(), stream.size(), 20000);
    QVERIFY(terminal->received == stream);
    QTRY_VERIFY(drained.size() >= 1);
    QCOMPARE(board->pendingOutput(), 0);
}

// What the end-to-end tests rely on: Qt's own serial port on the board's pty.
void tst_Board::serialPortTalksToBoardAndSeesHangUp()
{
    terminal.reset();
    QSerialPort port(board->slavePath());
    port.setBaudRate(9600);
    QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
    QByteArray received;
    connect(&port, &QSerialPort::readyRead, this, [&] { received += port.readAll(); });
    // Qt repeats the read error without end on a vanished device: stop at the first.
    bool lost = false;
    connect(&port, &QSerialPort::errorOccurred, this, [&](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError) {
            lost = true;
            port.close();
        }
    });

    port.write("H");
    QTRY_COMPARE(received, QByteArray(1, Ack));
    port.write(GoodTransfer);
    QTRY_COMPARE(board->recordsStored(), 1);

    board->hangUp();
    QTRY_VERIFY(lost);
}

// The program: link, transcript, signals.

void tst_Board::programRunsLinksAndLogs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("korvex-tty");
    const QString log = dir.filePath("transcript.json");
    QProcess program;
    program.start(KORVEX_BOARD_EXECUTABLE, {"--link", link, "--log", log, "--nak-after", "1"});
    QVERIFY(program.waitForStarted());
    QVERIFY(program.waitForReadyRead(5000));
    const QString slavePath = QString::fromLocal8Bit(program.readLine()).trimmed();
    QCOMPARE(QFileInfo(link).symLinkTarget(), slavePath);

    TerminalSide side;
    QVERIFY(side.open(link));
    side.write("H");
    QTRY_COMPARE(side.received, QByteArray(1, Ack));
    side.write(GoodTransfer + "H");
    QTRY_COMPARE(side.received, QByteArray(1, Ack) + QByteArray(1, Nak));
    side.write("X4100\r");
    QTRY_VERIFY(side.received.endsWith("> "));

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject transcript = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(transcript.value("bytesReceived").toString().toLatin1(), "H" + GoodTransfer + "HX4100\r");
    QCOMPARE(transcript.value("recordsStored").toInt(), 1);
    QCOMPARE(transcript.value("loadLines").toArray().size(), 1);
    QCOMPARE(transcript.value("executeRequests").toArray(), QJsonArray{"4100"});
    QCOMPARE(transcript.value("slavePath").toString(), slavePath);
}

void tst_Board::programHangsUpOnSignal()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("tty");
    QProcess program;
    program.start(KORVEX_BOARD_EXECUTABLE, {"--link", link});
    QVERIFY(program.waitForReadyRead(5000));
    TerminalSide side;
    QVERIFY(side.open(link));

    ::kill(pid_t(program.processId()), SIGUSR1);
    QTRY_VERIFY(side.gone);
    QTRY_COMPARE_WITH_TIMEOUT(program.state(), QProcess::NotRunning, 5000);
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_Board::programRefusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("not a number") << QStringList{"--nak-after", "two"} << 2 << "--nak-after wants a whole number";
    QTest::newRow("negative") << QStringList{"--line-speed", "-9600"} << 2 << "--line-speed wants a whole number";
    QTest::newRow("bad escape") << QStringList{"--junk-after-ack", "\\q"} << 2 << "bad escape";
    QTest::newRow("stray argument") << QStringList{"extra"} << 2 << "unexpected argument \"extra\"";
    QTest::newRow("link over a file") << QStringList{"--link", "@FILE@"} << 1 << "is not a symbolic link";
}

void tst_Board::programRefusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QFile regular(dir.filePath("regular"));
    QVERIFY(regular.open(QIODevice::WriteOnly));
    regular.close();
    arguments.replaceInStrings("@FILE@", regular.fileName());

    QProcess program;
    program.start(KORVEX_BOARD_EXECUTABLE, arguments);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), exitCode);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(errors.contains(message), qPrintable(errors));
    QVERIFY(regular.exists());
}

QTEST_MAIN(tst_Board)
#include "tst_board.moc"
