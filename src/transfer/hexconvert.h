// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

class QIODevice;

// Program file → temporary-file lines: every data record carries exactly
// sixteen bytes, so that each one makes a load line (see loadline.h).
//
// Records keep the file's addresses and order. Records of sixteen bytes,
// of none, and lines that are no record at all are copied unchanged; shorter
// ones are filled up, longer ones cut into sixteen-byte records at the
// following addresses, the last filled up. Filling takes what the file itself
// loads at the filled addresses (the last definition in file order), else
// zeros. Address records whose value changes nothing are left out; others
// are copied, so that the load stops at them before misplacing any data.

// Where a temporary-file line comes from, so that a rejection can say where.
struct LineOrigin
{
    int line = 0;              // 1-based line of the program file
    QByteArray text;           // that line as read
    int expectedChecksum = -1; // >= 0: the record's checksum is wrong or missing; the one it should carry
};

// A record whose checksum is wrong teaches nothing to the filling of other
// records: its bytes may be the corrupt ones.
bool convertHex(QIODevice &input, const std::function<void(const QByteArray &, const LineOrigin &)> &output);

// Reads `input` to its end (lines end at CR LF, LF or CR) and hands each
// temporary-file line, without its end, to `output`, in order. False on a
// read error, after which `output` has not been called.
bool convertHex(QIODevice &input, const std::function<void(const QByteArray &)> &output);

// The same for a program held in memory.
QList<QByteArray> convertHexText(const QByteArray &hexText);
