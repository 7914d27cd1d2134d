// SPDX-License-Identifier: GPL-3.0-or-later
// korvex-board: the simulated board as a program, for trying the terminal by
// hand and for the demo. See README.md.

#include "simulatedboard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalHandlers(QString *error)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        *error = QStringLiteral("cannot create the signal pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        ::sigaction(signalNumber, &action, nullptr);
    return true;
}

void printError(const QString &message)
{
    std::fprintf(stderr, "korvex-board: %s\n", qPrintable(message));
}

// "\x06abc" style escapes, so that any byte can be given on a command line.
std::optional<QByteArray> unescape(const QString &text)
{
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '\\') {
            out += in[i];
            continue;
        }
        if (i + 1 >= in.size())
            return std::nullopt;
        const char kind = in[++i];
        switch (kind) {
        case '\\': out += '\\'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 'x': {
            bool ok = false;
            const int value = in.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok || i + 2 >= in.size())
                return std::nullopt;
            out += char(value);
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

std::optional<int> number(const QCommandLineParser &parser, const QCommandLineOption &option, int minimum)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum) {
        printError(QStringLiteral("--%1 wants a whole number of at least %2, not \"%3\"")
                       .arg(option.names().constFirst())
                       .arg(minimum)
                       .arg(parser.value(option)));
        return std::nullopt;
    }
    return value;
}

bool makeLink(const QString &linkPath, const QString &target)
{
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        // Left behind by a board that was killed: replace it.
        ::unlink(QFile::encodeName(linkPath).constData());
    } else if (existing.exists()) {
        printError(QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath));
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(linkPath).constData()) < 0) {
        printError(
            QStringLiteral("cannot make the link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    return true;
}

void removeLink(const QString &linkPath, const QString &target)
{
    // Only our own link: another board may have replaced it meanwhile.
    if (QFileInfo(linkPath).isSymLink() && QFile::symLinkTarget(linkPath) == QFileInfo(target).absoluteFilePath())
        ::unlink(QFile::encodeName(linkPath).constData());
}

bool writeLog(const QString &path, const SimulatedBoard &board, const QString &slavePath)
{
    QJsonObject log = board.transcript();
    log.insert("slavePath", slavePath);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        printError(QStringLiteral("cannot write the log %1: %2").arg(path, file.errorString()));
        return false;
    }
    file.write(QJsonDocument(log).toJson());
    if (!file.commit()) {
        printError(QStringLiteral("cannot write the log %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

// The command line: where to put the device and the log, and the failure modes.
struct Options
{
    QCommandLineOption link{"link", "Make a symbolic link PATH to the device (removed on exit).", "PATH"};
    QCommandLineOption log{"log", "At exit, write the transcript to FILE as JSON.", "FILE"};
    QCommandLineOption silent{"silent", "Never answer \"H\"."};
    QCommandLineOption nakAfter{"nak-after", "Answer NAK to \"H\" once N load lines have come.", "N"};
    QCommandLineOption answerOne{"answer-one", "Answer \"1\" to \"H\"."};
    QCommandLineOption junk{"junk-after-ack",
                            "Send BYTES right after each ACK, in the same write (\\xNN, \\r, \\n, \\\\ escapes).",
                            "BYTES"};
    QCommandLineOption delay{"reply-delay", "Answer \"H\" MS milliseconds late.", "MS"};
    QCommandLineOption speed{"line-speed", "Pace the line at BPS bits per second (10 bits per character).", "BPS"};
    QCommandLineOption chatty{"chatty", "Send a prompt after each load line."};
    QCommandLineOption hangUpAfter{"hang-up-after", "Hang up (and end) once N load lines have come.", "N"};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({link, log, silent, nakAfter, answerOne, junk, delay, speed, chatty, hangUpAfter});
    }
};

// Sets the failure modes the command line asks for; false (with a message)
// for a value that is not one.
bool configure(SimulatedBoard &board, const QCommandLineParser &parser, const Options &options)
{
    board.setSilent(parser.isSet(options.silent));
    board.setAnswerOne(parser.isSet(options.answerOne));
    board.setChatty(parser.isSet(options.chatty));
    const std::pair<const QCommandLineOption *, void (SimulatedBoard::*)(int)> numeric[] = {
        {&options.nakAfter, &SimulatedBoard::setNakAfter},
        {&options.delay, &SimulatedBoard::setReplyDelayMs},
        {&options.speed, &SimulatedBoard::setLineSpeed},
        {&options.hangUpAfter, &SimulatedBoard::setHangUpAfter},
    };
    for (const auto &[option, setter] : numeric) {
        if (!parser.isSet(*option))
            continue;
        const auto value = number(parser, *option, 0);
        if (!value)
            return false;
        (board.*setter)(*value);
    }
    if (parser.isSet(options.junk)) {
        const auto bytes = unescape(parser.value(options.junk));
        if (!bytes) {
            printError(QStringLiteral("--junk-after-ack: bad escape in \"%1\"").arg(parser.value(options.junk)));
            return false;
        }
        board.setJunkAfterAck(*bytes);
    }
    return true;
}

// Serves the terminal until a signal or a hang-up ends it. SIGUSR1 hangs up,
// which ends the program through hungUp.
void serve(QCoreApplication &app, SimulatedBoard &board)
{
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char signalNumber = 0;
        while (::read(signalPipe[0], &signalNumber, 1) == 1) {
            if (signalNumber == SIGUSR1)
                board.hangUp();
            else
                app.quit();
        }
    });
    QObject::connect(&board, &SimulatedBoard::hungUp, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    app.exec();
    board.hangUp();
}

// Opens the pty, makes the link, prints the device path, serves, cleans up.
int run(QCoreApplication &app, SimulatedBoard &board, const QString &linkPath, const QString &logPath)
{
    QString error;
    if (!installSignalHandlers(&error) || !board.open(&error)) {
        printError(error);
        return 1;
    }
    const QString slavePath = board.slavePath();
    if (!linkPath.isEmpty() && !makeLink(linkPath, slavePath))
        return 1;
    std::printf("%s\n", qPrintable(slavePath));
    std::fflush(stdout);

    serve(app, board);

    if (!linkPath.isEmpty())
        removeLink(linkPath, slavePath);
    if (!logPath.isEmpty() && !writeLog(logPath, board, slavePath))
        return 1;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("korvex-board");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A simulated KORVEX board on a pseudo-terminal. Prints the device path on the first line of standard output; "
        "SIGINT/SIGTERM end it, SIGUSR1 makes it hang up (and end).");
    parser.addHelpOption();
    const Options options;
    options.addTo(parser);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        printError(
            QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().constFirst()));
        return 2;
    }

    SimulatedBoard board;
    if (!configure(board, parser, options))
        return 2;
    return run(app, board, parser.value(options.link),
               parser.isSet(options.log) ? parser.value(options.log) : QString());
}
