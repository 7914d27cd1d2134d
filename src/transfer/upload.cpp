#include "transfer/upload.h"

#include "shared/failure.h"
#include "transfer/loadline.h"

namespace {
constexpr char16_t acknowledge = 6;
}

std::optional<MessageRequest> uploadEndBox(const UploadResult &result)
{
    using Outcome = UploadResult::Outcome;
    switch (result.outcome) {
    case Outcome::Loaded: return std::nullopt;
    case Outcome::TimedOut: return errorBox(QStringLiteral("Timeout, Pas de réponse !"));
    case Outcome::LineRejected: return errorBox(badFileTypeMessage());
    case Outcome::RefusedByBoard: break;
    case Outcome::DeviceLost:
        if (!result.reason.isEmpty())
            return errorBox(result.reason);
        break;
    }
    return errorBox(QStringLiteral("Erreur de transmission du fichier"));
}

Upload::Upload(SendFunction send, QObject *parent) : QObject(parent), m_send(std::move(send))
{
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(replyTimeoutMs);
    // A coarse timer may fire up to 5 % early: the board gets its full two seconds.
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        if (m_awaitingReply)
            end(UploadResult::Outcome::TimedOut);
    });
}

bool Upload::start(const QStringList &tempLines)
{
    if (m_running)
        return false;
    m_lines = tempLines;
    m_next = 0;
    m_running = true;
    sendLines();
    return true;
}

// Formats and sends until an answer must be awaited, the upload ends, or the
// lines run out. Lines after an end-of-file record are handled like the others.
void Upload::sendLines()
{
    while (m_next < m_lines.size()) {
        const FormattedLine formatted = FormatHexLine(m_lines.at(m_next++));
        if (formatted.outcome == LineOutcome::Rejected) {
            end(UploadResult::Outcome::LineRejected);
            return;
        }
        if (formatted.outcome == LineOutcome::End)
            continue;
        m_loadLine = formatted.loadLine;
        if (!send(QStringLiteral("H")))
            return;
        m_awaitingReply = true;
        m_replyTimer.start();
        return;
    }
    end(UploadResult::Outcome::Loaded);
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
        end(first == u'1' ? UploadResult::Outcome::TimedOut : UploadResult::Outcome::RefusedByBoard);
        return;
    }
    if (send(m_loadLine + u' '))
        sendLines();
}

void Upload::deviceLost()
{
    if (m_running)
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
        if (run == m_run)
            end(UploadResult::Outcome::DeviceLost, failure.description());
        return false;
    }
    // cppcheck-suppress knownConditionTrueFalse ; m_send may have re-entered
    return run == m_run;
}

// The last thing any step does: the window's handler may open a modal box,
// or start another upload.
void Upload::end(UploadResult::Outcome outcome, const QString &reason)
{
    const UploadResult result{outcome, reason};
    stop();
    emit finished(result);
}
