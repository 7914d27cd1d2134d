// SPDX-License-Identifier: GPL-3.0-or-later
#include "boardmonitor.h"

#include <QJsonArray>

#include <optional>

namespace {

constexpr char Cr = '\r';
constexpr char Backspace = 8;
constexpr char Delete = 127;
constexpr char Bell = 7;

const QByteArray Crlf = "\r\n";
const QByteArray Prompt = "> ";
const QByteArray Banner = "KORVEX - moniteur simule\r\n"
                          "Commandes: X P D R F M\r\n";

std::optional<int> hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// Exactly `digits` hex digits of either case, or nothing.
std::optional<int> fixedHex(const QByteArray &text, int from, int digits)
{
    int value = 0;
    for (int i = from; i < from + digits; ++i) {
        const auto d = hexDigit(text.at(i));
        if (!d)
            return std::nullopt;
        value = value * 16 + *d;
    }
    return value;
}

// One to `maxDigits` hex digits: the monitor's argument syntax.
std::optional<int> argument(const QByteArray &text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    return fixedHex(text, 0, int(text.size()));
}

QByteArray hex(int value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

QByteArray line(const QByteArray &text)
{
    return text + Crlf;
}

QString latin1(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

BoardMonitor::BoardMonitor() : m_program(MemorySize, '\0'), m_data(MemorySize, '\0'), m_ram(RamSize, '\0') {}

QByteArray BoardMonitor::greeting()
{
    m_greeted = true;
    return Banner + Prompt;
}

BoardMonitor::Reply BoardMonitor::receive(char byte)
{
    m_received.append(byte);
    return m_state == State::LoadLine ? receiveLoadByte(byte) : receiveCommandByte(byte);
}

BoardMonitor::Reply BoardMonitor::receiveLoadByte(char byte)
{
    // A load line never holds a carriage return: someone typing by hand gave up.
    if (byte == Cr) {
        m_failedChecks.append(
            {m_transfer,
             QStringLiteral("load line cut short by a carriage return after %1 characters").arg(m_transfer.size())});
        m_transfer.clear();
        m_state = State::Command;
        return {Crlf + line("Ligne de chargement interrompue") + Prompt};
    }

    m_transfer.append(byte);
    if (m_transfer.size() < LoadTransferSize)
        return {};

    m_state = State::Command;
    m_loadLines.append(m_transfer.left(LoadLineSize));
    const QString failure = checkLoadLine(m_transfer);
    if (failure.isEmpty()) {
        const int address = *fixedHex(m_transfer, 3, 4);
        for (int k = 0; k < 16; ++k)
            m_program[(address + k) % MemorySize] = char(*fixedHex(m_transfer, 8 + 3 * k, 2));
        ++m_recordsStored;
    } else {
        m_failedChecks.append({m_transfer, failure});
    }
    m_transfer.clear();
    // By default nothing follows a load line: the terminal would take it as
    // the answer to its next "H".
    return {m_chatty ? Crlf + Prompt : QByteArray()};
}

QString BoardMonitor::checkLoadLine(const QByteArray &transfer)
{
    if (transfer.size() != LoadTransferSize)
        return QStringLiteral("load line has %1 characters instead of %2").arg(transfer.size()).arg(LoadTransferSize);
    if (transfer.left(2) != "10")
        return QStringLiteral("count is \"%1\", not \"10\"").arg(latin1(transfer.left(2)));
    if (transfer.at(2) != ' ')
        return QStringLiteral("no blank after the count");
    if (!fixedHex(transfer, 3, 4))
        return QStringLiteral("address \"%1\" is not four hex digits").arg(latin1(transfer.mid(3, 4)));
    if (transfer.at(7) != ':')
        return QStringLiteral("no ':' after the address");
    int sum = 0;
    for (int k = 0; k < 16; ++k) {
        const int at = 8 + 3 * k;
        const auto value = fixedHex(transfer, at, 2);
        if (!value)
            return QStringLiteral("data byte %1 \"%2\" is not two hex digits")
                .arg(k + 1)
                .arg(latin1(transfer.mid(at, 2)));
        if (transfer.at(at + 2) != ' ')
            return QStringLiteral("no blank after data byte %1").arg(k + 1);
        sum += *value;
    }
    const auto given = fixedHex(transfer, 56, 4);
    if (!given)
        return QStringLiteral("sum \"%1\" is not four hex digits").arg(latin1(transfer.mid(56, 4)));
    if (*given != sum)
        return QStringLiteral("sum %1 does not match the data, whose sum is %2")
            .arg(latin1(transfer.mid(56, 4)), latin1(hex(sum, 4)));
    if (transfer.at(60) != ' ')
        return QStringLiteral("no blank after the load line");
    return {};
}

BoardMonitor::Reply BoardMonitor::answerLoadRequest()
{
    Reply reply;
    reply.answersLoadRequest = true;
    if (m_silent)
        return reply;
    if (m_answerOne) {
        reply.bytes = "1";
        return reply;
    }
    if (m_nakAfter >= 0 && m_loadLines.size() >= m_nakAfter) {
        reply.bytes = QByteArray(1, Nak);
        return reply;
    }
    m_state = State::LoadLine;
    m_transfer.clear();
    reply.bytes = QByteArray(1, Ack) + m_junkAfterAck;
    return reply;
}

BoardMonitor::Reply BoardMonitor::receiveCommandByte(char byte)
{
    // "H" on an empty command line is the terminal asking to load a record;
    // it is not echoed.
    if (byte == 'H' && m_commandLine.isEmpty())
        return answerLoadRequest();

    if (byte == Cr) {
        const QByteArray command = m_commandLine;
        m_commandLine.clear();
        return {Crlf + runCommand(command) + Prompt};
    }
    if (byte == Backspace || byte == Delete) {
        if (m_commandLine.isEmpty())
            return {};
        m_commandLine.chop(1);
        return {"\b \b"};
    }
    if (byte >= 0x20 && byte < 0x7f) {
        if (m_commandLine.size() >= MaxCommandLength)
            return {QByteArray(1, Bell)};
        m_commandLine.append(byte);
        return {QByteArray(1, byte)};
    }
    return {}; // line feeds and other control bytes are ignored
}

QByteArray BoardMonitor::dump(const QByteArray &memory, int from, int to, int addressDigits) const
{
    QByteArray out;
    for (int start = from; start <= to; start += 16) {
        QByteArray row = hex(start, addressDigits) + ":";
        for (int a = start; a < start + 16 && a <= to; ++a)
            row += ' ' + hex(quint8(memory.at(a)), 2);
        out += line(row);
    }
    return out;
}

// The monitor's commands: letter, usage, how many arguments it needs, the
// most hex digits of each argument it takes, and what it does.
const QList<BoardMonitor::MonitorCommand> &BoardMonitor::commands()
{
    static const QList<MonitorCommand> table = {
        {'X', "X adresse", 1, {4}, &BoardMonitor::execute},
        {'P', "P debut [fin]", 1, {4, 4}, &BoardMonitor::dumpProgram},
        {'D', "D debut [fin]", 1, {4, 4}, &BoardMonitor::dumpData},
        {'R', "R", 0, {}, &BoardMonitor::dumpRam},
        {'F', "F debut fin valeur", 3, {4, 4, 2}, &BoardMonitor::fill},
        {'M', "M adresse valeur", 2, {2, 2}, &BoardMonitor::modify},
    };
    return table;
}

QByteArray BoardMonitor::runCommand(const QByteArray &commandLine)
{
    const QByteArray trimmed = commandLine.trimmed();
    if (trimmed.isEmpty())
        return wakeUp();

    const char letter = char(QChar::toUpper(uchar(trimmed.at(0))));
    QByteArray rest = trimmed.mid(1);
    rest.replace(',', ' ');
    // Every X is recorded as typed, even a malformed one: tests see what the terminal sent.
    if (letter == 'X')
        m_executeRequests.append(latin1(rest.trimmed()));
    const QByteArray words = rest.simplified();
    const QList<QByteArray> args = words.isEmpty() ? QList<QByteArray>() : words.split(' ');

    for (const MonitorCommand &command : commands()) {
        if (command.letter == letter)
            return run(command, args);
    }
    return line("Commande inconnue: " + trimmed.left(1) + " (commandes: X P D R F M)");
}

QByteArray BoardMonitor::run(const MonitorCommand &command, const QList<QByteArray> &args)
{
    if (args.size() < command.required || args.size() > command.digits.size())
        return line(QByteArray("Usage: ") + command.usage);
    QList<int> values;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const int maxDigits = command.digits.at(i);
        const auto value = argument(args.at(i), maxDigits);
        if (!value)
            return line("Valeur invalide: " + args.at(i) + " (" + QByteArray::number(maxDigits)
                        + " chiffres hexa au plus)");
        values.append(*value);
    }
    return (this->*command.action)(values);
}

QByteArray BoardMonitor::wakeUp()
{
    // The first empty line wakes the monitor up, as after a reset.
    if (m_greeted)
        return {};
    m_greeted = true;
    return Banner;
}

QByteArray BoardMonitor::execute(const QList<int> &values)
{
    return line("Execution a partir de " + hex(values.at(0), 4));
}

QByteArray BoardMonitor::dumpRange(const QByteArray &memory, const QList<int> &values) const
{
    const int from = values.at(0);
    const int to = values.size() == 2 ? values.at(1) : std::min(from + 127, MemorySize - 1);
    if (to < from)
        return line("Fin avant le debut");
    return dump(memory, from, to, 4);
}

QByteArray BoardMonitor::dumpProgram(const QList<int> &values)
{
    return dumpRange(m_program, values);
}

QByteArray BoardMonitor::dumpData(const QList<int> &values)
{
    return dumpRange(m_data, values);
}

QByteArray BoardMonitor::dumpRam(const QList<int> &)
{
    return dump(m_ram, 0, RamSize - 1, 2);
}

QByteArray BoardMonitor::fill(const QList<int> &values)
{
    const int from = values.at(0);
    const int to = values.at(1);
    const int value = values.at(2);
    if (to < from)
        return line("Fin avant le debut");
    for (int a = from; a <= to; ++a)
        m_data[a] = char(value);
    return line("Memoire de donnees " + hex(from, 4) + "-" + hex(to, 4) + " remplie avec " + hex(value, 2));
}

QByteArray BoardMonitor::modify(const QList<int> &values)
{
    m_ram[values.at(0)] = char(values.at(1));
    return line("RAM " + hex(values.at(0), 2) + " = " + hex(values.at(1), 2));
}

QJsonObject BoardMonitor::transcript() const
{
    QJsonArray lines;
    for (const QByteArray &l : m_loadLines)
        lines.append(latin1(l));
    QJsonArray failed;
    for (const BoardCheckFailure &f : m_failedChecks)
        failed.append(QJsonObject{{"line", latin1(f.line)}, {"reason", f.reason}});
    return QJsonObject{
        {"bytesReceived", latin1(m_received)},
        {"loadLines", lines},
        {"recordsStored", m_recordsStored},
        {"executeRequests", QJsonArray::fromStringList(m_executeRequests)},
        {"failedChecks", failed},
    };
}
