// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/linereader.h"

#include <QIODevice>

LineReader::LineReader(QIODevice &device) : m_device(device), m_buffer(chunkSize, Qt::Uninitialized) {}

bool LineReader::next(QByteArray &line)
{
    line.clear();
    bool partial = false;
    for (;;) {
        if (m_position == m_length && !refill())
            return partial && !m_failed;
        const char *data = m_buffer.constData();
        // The LF of a CR LF may start the next chunk.
        if (m_afterCarriageReturn) {
            m_afterCarriageReturn = false;
            if (data[m_position] == '\n') {
                ++m_position;
                continue;
            }
        }
        qsizetype end = m_position;
        while (end < m_length && data[end] != '\r' && data[end] != '\n')
            ++end;
        line.append(data + m_position, end - m_position);
        if (end < m_length) {
            m_afterCarriageReturn = data[end] == '\r';
            m_position = end + 1;
            return true;
        }
        m_position = end;
        partial = true;
    }
}

bool LineReader::refill()
{
    const qint64 got = m_device.read(m_buffer.data(), chunkSize);
    if (got < 0)
        m_failed = true;
    m_position = 0;
    m_length = got > 0 ? got : 0;
    return m_length > 0;
}
