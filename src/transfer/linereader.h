// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QIODevice;

// Reads a device line by line, in chunks. A line ends at CR LF, LF or CR;
// a CR LF counts as one end even when a chunk boundary falls between them.
class LineReader
{
public:
    explicit LineReader(QIODevice &device);

    // The next line, without its end. False at the end of the input or on a
    // read error (see failed()).
    bool next(QByteArray &line);

    bool failed() const { return m_failed; }

private:
    static constexpr qsizetype chunkSize = 64 * 1024;

    bool refill();

    QIODevice &m_device;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qsizetype m_length = 0;
    bool m_afterCarriageReturn = false;
    bool m_failed = false;
};
