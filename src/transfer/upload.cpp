#include "transfer/upload.h"

#include "shared/failure.h"
#include "shared/messageboxes.h"
#include "shared/sharedvalues.h"
#include "transfer/hexconvert.h"

#include <QTimer>

namespace {
constexpr char16_t acknowledge = 6;
}

Upload::Upload(SharedValues &values, QTimer &timer3, SendFunction send, MessageBoxes &boxes, QWidget *boxParent,
               QObject *parent)
    : QObject(parent), m_values(values), m_timer3(timer3), m_send(std::move(send)), m_boxes(boxes),
      m_boxParent(boxParent)
{
}

bool Upload::start(const QStringList &tempLines)
{
    if (m_state != State::Idle)
        return false;
    m_lines = tempLines;
    m_next = 0;
    m_values.TransferActive = true;
    m_values.TransferAbort = false;
    m_state = State::Sending;
    const quint64 run = m_run;
    emit started();
    if (run == m_run)
        sendLines();
    return true;
}

// Formats and sends until a reply must be awaited, the upload fails, or the
// lines run out. Lines after an end-of-file record are handled like the others.
void Upload::sendLines()
{
    while (m_next < m_lines.size()) {
        const FormattedLine formatted = FormatHexLine(m_lines.at(m_next++));
        m_values.HexLine = formatted.hexLine;
        if (formatted.rejected) {
            fail(badFileTypeMessage());
            return;
        }
        if (formatted.isFin())
            continue;
        m_loadLine = formatted.hexLine;
        m_values.BoardReply = 0;
        if (!send(QStringLiteral("H")))
            return;
        m_state = State::WaitingReply;
        enableTimer3();
        return;
    }
    finish();
}

void Upload::boardReplyChanged()
{
    if (m_state != State::WaitingReply || boardReplyIsNumber(m_values.BoardReply, 0))
        return;
    const QString reply = boardReplyText(m_values.BoardReply);
    if (reply.isEmpty()) {
        // A notification without data answers nothing: keep waiting, the time-out still running.
        m_values.BoardReply = 0;
        return;
    }
    m_timer3.stop();
    // Only the first character counts; the rest of this notification's data is dropped.
    const char16_t first = reply.at(0).unicode();
    if (first != acknowledge) {
        fail(first == u'1' ? QStringLiteral("Timeout, Pas de réponse !")
                           : QStringLiteral("Erreur de transmission du fichier"));
        return;
    }
    m_values.BoardReply = 0;
    m_state = State::Sending;
    if (send(m_loadLine + u' '))
        sendLines();
}

void Upload::deviceLost()
{
    if (m_state == State::Sending || m_state == State::WaitingReply)
        fail(QStringLiteral("Erreur de transmission du fichier"));
}

void Upload::stop()
{
    if (m_state == State::Idle)
        return;
    m_values.TransferAbort = true;
    finish();
}

// True when the text went out and this upload still runs: the port may fail,
// and a device-lost report may re-enter while it writes.
bool Upload::send(const QString &text)
{
    const quint64 run = m_run;
    try {
        m_send(text);
    } catch (const Failure &failure) {
        // cppcheck-suppress knownConditionTrueFalse ; m_send may have re-entered
        if (run == m_run && m_state == State::Sending)
            fail(failure.description());
        return false;
    }
    // cppcheck-suppress knownConditionTrueFalse ; m_send may have re-entered
    return run == m_run && m_state == State::Sending;
}

void Upload::fail(const QString &text, const QString &informative)
{
    m_state = State::Failing;
    m_timer3.stop();
    m_values.TransferAbort = true;
    const quint64 run = m_run;
    // A real box runs its own event loop: replies and ticks that come meanwhile
    // find the state Failing and are ignored.
    m_boxes.show(m_boxParent, errorBox(text, informative));
    // cppcheck-suppress knownConditionTrueFalse ; the box may have re-entered
    if (run == m_run)
        finish();
}

void Upload::finish()
{
    if (m_state == State::Idle)
        return;
    m_state = State::Idle;
    ++m_run;
    m_timer3.stop();
    m_values.TransferActive = false;
    m_lines.clear();
    emit finished();
}

void Upload::enableTimer3()
{
    if (!m_timer3.isActive())
        m_timer3.start();
}
