// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/hexconvert.h"
#include "transfer/hexrecord.h"

#include <QString>
#include <QStringView>

// What one line of the temporary file gives.
enum class LineOutcome {
    Load,     // a load line to send or show
    End,      // an end-of-file record: nothing, quietly
    Rejected, // not a sixteen-byte record: the caller shows badFileTypeMessage()
};

struct FormattedLine
{
    LineOutcome outcome = LineOutcome::Rejected;
    QString loadLine; // the 60 characters, for LineOutcome::Load only
};

// What a rejected line shows (title "ERREUR", error icon, OK).
inline QString badFileTypeMessage()
{
    return QStringLiteral("Mauvais type de fichier");
}

// A record → its load line: count, blank, address, ":", sixteen data fields
// each followed by a blank, and the four-digit upper-case sum of the sixteen
// bytes. An end-of-file record (type "01") ends quietly; any other record
// whose count is not "10", or whose address or sixteen data bytes are not
// all hexadecimal, is rejected.
FormattedLine FormatHexLine(const HexRecord &record);
// The same for a line of text (Latin-1).
FormattedLine FormatHexLine(QStringView line);

// One line of the temporary file, and the program-file line it comes from.
struct ProgramLine
{
    QString text;
    LineOrigin origin;
};

// Lines of text as their own origins (line numbers from 1, checksums unknown).
QList<ProgramLine> programLines(const QStringList &lines);

// As FormatHexLine, and a record whose checksum is wrong is rejected too.
FormattedLine FormatHexLine(const ProgramLine &line);

// Where a rejected line is, for the box's informative text: the program
// file's line number and the line (cut), and the sum it should carry when
// its checksum is what is wrong.
QString rejectedLineDetail(const ProgramLine &line);
