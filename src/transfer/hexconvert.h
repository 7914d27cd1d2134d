#pragma once

#include "shared/messageboxes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// Intel HEX program file → temporary file of sixteen-byte records → load lines,
// the text form the board's monitor loads one record at a time.

// The temporary file's name; it lives in the directory its owner chooses.
inline constexpr char tempFileName[] = "kortemp.hex";

// The result of FormatHexLine for a line that gives no load line.
inline QString finMarker()
{
    return QStringLiteral("fin");
}

// What a rejected line shows (title "ERREUR", error icon, OK).
inline QString badFileTypeMessage()
{
    return QStringLiteral("Mauvais type de fichier");
}

struct FormattedLine
{
    QString hexLine;       // the 60-character load line, or "fin"
    bool rejected = false; // true: the caller shows badFileTypeMessage() and, in an upload, stops

    bool isFin() const { return hexLine == finMarker(); }
};

// One line of the temporary file → its load line: count, blank, address, ":",
// sixteen data fields each followed by a blank, and the four-digit upper-case
// sum of the sixteen bytes. An end-of-file record (type "01") gives "fin"
// quietly; any other line whose count is not "10", or whose address or data
// fields are not all hexadecimal, gives "fin" and is rejected.
FormattedLine FormatHexLine(QStringView line);

// The lines of a program file (Latin-1 text; lines end at CR LF, LF or CR)
// rewritten as the temporary file's lines, without line ends. Records keep
// the file's addresses and order; short records are filled from what the
// file itself defines at the filled addresses, else with zeros.
QList<QByteArray> convertHexText(const QByteArray &hexText);

// The outcome of reading or writing one of the two files. On failure `message`
// is the box's text ("Impossible de lire le fichier " + path, or "Impossible
// d'écrire le fichier " + path) and `reason` the system's own explanation.
struct FileResult
{
    bool ok = false;
    QString path; // the temporary file (on success) or the file that failed
    QString message;
    QString reason;

    MessageRequest errorRequest() const { return errorBox(message, reason); }
};

// Converts the program file into `tempDirectory`/kortemp.hex (CR LF line
// ends), replacing it atomically. Nothing is written when the program file
// cannot be read.
FileResult ConvertHexFile(const QString &hexFilePath, const QString &tempDirectory);

struct TempLines : FileResult
{
    QStringList lines;
};

// Reads the temporary file back, one entry per line, line ends removed.
TempLines readTempFile(const QString &tempFilePath);

// Where the temporary file goes: the executable's directory when it is
// writable, else the per-user cache directory (created when missing).
QString defaultTempDirectory();
