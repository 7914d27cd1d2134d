// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/messageboxes.h"
#include "transfer/loadline.h"

#include <QString>
#include <QStringList>

// The temporary file of sixteen-byte records that upload and view read back.

inline constexpr char tempFileName[] = "kortemp.hex";

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

struct ConvertedProgram : FileResult
{
    // The lines written, kept in memory: upload and view use these, so that
    // another program rewriting the temporary file meanwhile changes nothing.
    QList<ProgramLine> lines;
};

// Converts the program file into `tempDirectory`/kortemp.hex (CR LF line
// ends), replacing it atomically. Nothing is written when the program file
// cannot be read.
ConvertedProgram ConvertHexFile(const QString &hexFilePath, const QString &tempDirectory);

struct TempLines : FileResult
{
    QStringList lines;
};

// Reads the temporary file back, one entry per line, line ends removed.
TempLines readTempFile(const QString &tempFilePath);

// Where the temporary file goes: the executable's directory when it is
// writable and is not where the program is installed (a build folder), else
// the per-user cache directory (created when missing).
QString chooseTempDirectory(const QString &executableDirectory);
QString defaultTempDirectory();
