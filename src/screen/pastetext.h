// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Text for the line, as the keyboard would type it: only characters with an
// 8-bit (Latin-1) code go out; the others are left out and counted, so that
// the user can be told.
struct LineText
{
    QString text;              // what is sent, one byte per character
    qsizetype leftOut = 0;     // characters with no 8-bit code (a surrogate pair counts once)
    QStringList leftOutSample; // the first few of them, each once, for the message
};

// Typed text: control codes kept as they are.
LineText lineTextOfTyped(QStringView typed);

// Pasted text: line ends become carriage returns (LF and CR LF alike), as
// Enter sends them; the rest as typed.
LineText lineTextOfPaste(QStringView pasted);

// The status bar's French report of what was left out; empty when nothing was.
QString leftOutReport(const LineText &line);
