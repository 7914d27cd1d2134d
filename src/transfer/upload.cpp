// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/upload.h"

#include "shared/application.h"
#include "shared/failure.h"

#include <algorithm>

namespace {

constexpr char16_t acknowledge = 6;
constexpr char16_t negativeAcknowledge = 21;
constexpr int bitsPerCharacter = 10;
constexpr qint64 nsPerMs = 1'000'000;

QString records(int count)
{
    return count <= 1 ? QStringLiteral("%1 enregistrement").arg(count)
                      : QStringLiteral("%1 enregistrements").arg(count);
}

QString hex4(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

// What the board answered instead of ACK, as a student can read it.
QString answerText(char16_t first)
{
    if (first == negativeAcknowledge)
        return QStringLiteral("NAK");
    if (first >= 0x20 && first < 0x7F)
        return QStringLiteral("« %1 »").arg(QChar(first));
    return QStringLiteral("l’octet 0x") + QStringLiteral("%1").arg(int(first), 2, 16, QLatin1Char('0')).toUpper();
}

QString loadedSoFar(const UploadResult &r)
{
    const QString text = r.recordsSent <= 1 ? QStringLiteral("%1 enregistrement chargé sur %2")
                                            : QStringLiteral("%1 enregistrements chargés sur %2");
    return text.arg(r.recordsSent).arg(r.recordsTotal);
}

} // namespace

std::optional<MessageRequest> uploadEndBox(const UploadResult &result)
{
    using Outcome = UploadResult::Outcome;
    switch (result.outcome) {
    case Outcome::Loaded:
    case Outcome::Cancelled: return std::nullopt;
    case Outcome::NothingToLoad:
        return MessageRequest{
            MessageRequest::Icon::Information, MessageRequest::Buttons::Ok, ApplicationTitle,
            QStringLiteral("Rien à charger : ce fichier ne contient aucun enregistrement de données."),
            QStringLiteral("Vérifiez que vous avez choisi le fichier HEX produit par l’assembleur.")};
    case Outcome::TimedOut: return errorBox(QStringLiteral("Timeout, Pas de réponse !"), result.detail);
    case Outcome::LineRejected: return errorBox(badFileTypeMessage(), result.detail);
    case Outcome::RefusedByBoard: break;
    case Outcome::DeviceLost:
        if (!result.reason.isEmpty())
            return errorBox(result.reason, result.detail);
        break;
    }
    return errorBox(QStringLiteral("Erreur de transmission du fichier"), result.detail);
}

QString uploadEndStatus(const UploadResult &result)
{
    using Outcome = UploadResult::Outcome;
    switch (result.outcome) {
    case Outcome::Loaded:
        return QStringLiteral("Transfert terminé : %1 (%2–%3) en %4 s")
            .arg(records(result.recordsSent), hex4(result.lowestAddress), hex4(result.highestAddress))
            .arg((result.elapsedMs + 500) / 1000);
    case Outcome::Cancelled: return QStringLiteral("Transfert annulé : ") + loadedSoFar(result);
    case Outcome::NothingToLoad: return QStringLiteral("Rien à charger");
    default: return QStringLiteral("Transfert interrompu : ") + loadedSoFar(result);
    }
}

Upload::Upload(SendFunction send, QObject *parent) : QObject(parent), m_send(std::move(send))
{
    m_replyTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early: the board gets its full two seconds.
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &Upload::replyTimedOut);
}

bool Upload::start(const QList<ProgramLine> &lines)
{
    if (m_running)
        return false;
    m_lines = lines;
    m_next = 0;
    m_result = {};
    // The records before the first rejected line are all that can go out.
    for (const ProgramLine &line : lines) {
        const LineOutcome outcome = FormatHexLine(line).outcome;
        if (outcome == LineOutcome::Rejected)
            break;
        m_result.recordsTotal += int(outcome == LineOutcome::Load);
    }
    m_clock.start();
    m_lineFreeNs = 0;
    m_lastProgressMs = 0;
    m_cancelling = false;
    m_running = true;
    sendLines();
    return true;
}

// Formats and sends until an answer must be awaited, the upload ends, or the
// lines run out. Lines after an end-of-file record are handled like the others.
void Upload::sendLines()
{
    while (m_next < m_lines.size()) {
        const ProgramLine &line = m_lines.at(m_next++);
        const FormattedLine formatted = FormatHexLine(line);
        if (formatted.outcome == LineOutcome::Rejected) {
            m_result.detail = rejectedLineDetail(line);
            end(UploadResult::Outcome::LineRejected);
            return;
        }
        if (formatted.outcome == LineOutcome::Load) {
            m_loadLine = formatted.loadLine;
            sendRequest();
            return;
        }
    }
    end(m_result.recordsTotal == 0 ? UploadResult::Outcome::NothingToLoad : UploadResult::Outcome::Loaded);
}

// The board cannot answer an "H" before it has arrived: the time-out counts
// from when everything queued before it, and the "H" itself, has left.
void Upload::sendRequest()
{
    if (!send(QStringLiteral("H")))
        return;
    m_awaitingReply = true;
    const qint64 onTheLineMs = std::max<qint64>(0, m_lineFreeNs - m_clock.nsecsElapsed()) / nsPerMs;
    m_replyTimer.start(int(replyTimeoutMs + onTheLineMs));
    reportProgress();
}

void Upload::replyTimedOut()
{
    if (!m_awaitingReply)
        return;
    m_result.detail =
        QStringLiteral("%1 : pas de réponse de la platine 2 s après « H ». %2. Vérifiez qu’elle est sous tension, "
                       "reliée au port et en attente de commande.")
            .arg(recordWhere(), loadedSoFar(m_result));
    end(m_cancelling ? UploadResult::Outcome::Cancelled : UploadResult::Outcome::TimedOut);
}

void Upload::receive(const QString &text)
{
    // A notification without data answers nothing: keep waiting, the time-out still running.
    if (!m_awaitingReply || text.isEmpty())
        return;
    m_awaitingReply = false;
    m_replyTimer.stop();
    // Only the first character counts; the rest of this notification's data is dropped.
    const char16_t first = text.at(0).unicode();
    if (first != acknowledge) {
        m_result.detail = QStringLiteral("%1 : la platine a répondu %2 au lieu de ACK. %3.")
                              .arg(recordWhere(), answerText(first), loadedSoFar(m_result));
        if (m_cancelling)
            end(UploadResult::Outcome::Cancelled);
        else
            end(first == u'1' ? UploadResult::Outcome::TimedOut : UploadResult::Outcome::RefusedByBoard);
        return;
    }
    // Acknowledged: the board now takes the next 61 characters as a load
    // line, so the line goes out whole even when cancelled.
    if (!send(m_loadLine + u' '))
        return;
    const int address = m_loadLine.mid(3, 4).toInt(nullptr, 16);
    ++m_result.recordsSent;
    m_result.lowestAddress = m_result.lowestAddress < 0 ? address : std::min(m_result.lowestAddress, address);
    m_result.highestAddress = std::max(m_result.highestAddress, std::min(address + 15, 0xFFFF));
    if (m_cancelling)
        end(UploadResult::Outcome::Cancelled);
    else
        sendLines();
}

void Upload::cancel()
{
    if (!m_running || m_cancelling)
        return;
    m_cancelling = true;
    reportProgress();
}

void Upload::deviceLost()
{
    if (!m_running)
        return;
    m_result.detail = QStringLiteral("La platine a été déconnectée pendant le transfert : %1. Rebranchez-la, "
                                     "reconnectez le port puis relancez le transfert.")
                          .arg(loadedSoFar(m_result));
    end(UploadResult::Outcome::DeviceLost);
}

void Upload::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_awaitingReply = false;
    ++m_run;
    m_replyTimer.stop();
    m_lines.clear();
}

// True when the text went out and this upload still runs: the port may
// refuse, and a device-lost report may re-enter while it writes.
bool Upload::send(const QString &text)
{
    const quint64 run = m_run;
    try {
        m_send(text);
    } catch (const Failure &failure) {
        // cppcheck-suppress knownConditionTrueFalse ; m_send may have re-entered
        if (run == m_run) {
            m_result.detail =
                QStringLiteral("%1 : le port a refusé l’écriture. %2.").arg(recordWhere(), loadedSoFar(m_result));
            end(UploadResult::Outcome::DeviceLost, failure.description());
        }
        return false;
    }
    if (m_bitsPerSecond > 0) {
        const qint64 wireNs = text.size() * bitsPerCharacter * 1'000'000'000LL / m_bitsPerSecond;
        m_lineFreeNs = std::max(m_lineFreeNs, m_clock.nsecsElapsed()) + wireNs;
    }
    // cppcheck-suppress knownConditionTrueFalse ; m_send may have re-entered
    return run == m_run;
}

// At most ten times a second: at 115200 bit/s records go by every 5 ms, and
// redrawing the window for each would cost more than the exchange itself.
void Upload::reportProgress()
{
    constexpr qint64 intervalMs = 100;
    const qint64 now = m_clock.elapsed();
    if (!m_cancelling && m_result.recordsSent > 0 && now - m_lastProgressMs < intervalMs)
        return;
    m_lastProgressMs = now;
    emit progressed(
        {m_result.recordsSent, m_result.recordsTotal, m_loadLine.mid(3, 4).toUpper(), m_clock.elapsed(), m_cancelling});
}

QString Upload::recordWhere() const
{
    return QStringLiteral("Enregistrement %1 sur %2, adresse %3")
        .arg(m_result.recordsSent + 1)
        .arg(m_result.recordsTotal)
        .arg(m_loadLine.mid(3, 4).toUpper());
}

// The last thing any step does: the window's handler may open a modal box,
// or start another upload.
void Upload::end(UploadResult::Outcome outcome, const QString &reason)
{
    UploadResult result = m_result;
    result.outcome = outcome;
    result.reason = reason;
    result.elapsedMs = m_clock.elapsed();
    stop();
    emit finished(result);
}
