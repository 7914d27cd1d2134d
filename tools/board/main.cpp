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
    const QCommandLineOption link("link", "Make a symbolic link PATH to the device (removed on exit).", "PATH");
    const QCommandLineOption log("log", "At exit, write the transcript to FILE as JSON.", "FILE");
    const QCommandLineOption silent("silent", "Never answer \"H\".");
    const QCommandLineOption nakAfter("nak-after", "Answer NAK to \"H\" once N load lines have come.", "N");
    const QCommandLineOption answerOne("answer-one", "Answer \"1\" to \"H\".");
    const QCommandLineOption junk("junk-after-ack",
                                  "Send BYTES right after each ACK, in the same write (\\xNN, \\r, \\n, \\\\ escapes).",
                                  "BYTES");
    const QCommandLineOption delay("reply-delay", "Answer \"H\" MS milliseconds late.", "MS");
    const QCommandLineOption speed("line-speed", "Pace the line at BPS bits per second (10 bits per character).",
                                   "BPS");
    const QCommandLineOption chatty("chatty", "Send a prompt after each load line.");
    const QCommandLineOption hangUpAfter("hang-up-after", "Hang up (and end) once N load lines have come.", "N");
    parser.addOptions({link, log, silent, nakAfter, answerOne, junk, delay, speed, chatty, hangUpAfter});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        printError(
            QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().constFirst()));
        return 2;
    }

    SimulatedBoard board;
    board.setSilent(parser.isSet(silent));
    board.setAnswerOne(parser.isSet(answerOne));
    board.setChatty(parser.isSet(chatty));
    const std::pair<const QCommandLineOption *, void (SimulatedBoard::*)(int)> numeric[] = {
        {&nakAfter, &SimulatedBoard::setNakAfter},
        {&delay, &SimulatedBoard::setReplyDelayMs},
        {&speed, &SimulatedBoard::setLineSpeed},
        {&hangUpAfter, &SimulatedBoard::setHangUpAfter},
    };
    for (const auto &[option, setter] : numeric) {
        if (!parser.isSet(*option))
            continue;
        const auto value = number(parser, *option, 0);
        if (!value)
            return 2;
        (board.*setter)(*value);
    }
    if (parser.isSet(junk)) {
        const auto bytes = unescape(parser.value(junk));
        if (!bytes) {
            printError(QStringLiteral("--junk-after-ack: bad escape in \"%1\"").arg(parser.value(junk)));
            return 2;
        }
        board.setJunkAfterAck(*bytes);
    }

    QString error;
    if (!installSignalHandlers(&error) || !board.open(&error)) {
        printError(error);
        return 1;
    }
    const QString slavePath = board.slavePath();
    const QString linkPath = parser.value(link);
    if (!linkPath.isEmpty() && !makeLink(linkPath, slavePath))
        return 1;
    std::printf("%s\n", qPrintable(slavePath));
    std::fflush(stdout);

    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char signalNumber = 0;
        while (::read(signalPipe[0], &signalNumber, 1) == 1) {
            if (signalNumber == SIGUSR1)
                board.hangUp(); // ends the program through hungUp
            else
                app.quit();
        }
    });
    QObject::connect(&board, &SimulatedBoard::hungUp, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    app.exec();

    board.hangUp();
    if (!linkPath.isEmpty())
        removeLink(linkPath, slavePath);
    if (parser.isSet(log) && !writeLog(parser.value(log), board, slavePath))
        return 1;
    return 0;
}
