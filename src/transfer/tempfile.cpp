// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/tempfile.h"

#include "app/programinfo.h"
#include "transfer/hexconvert.h"
#include "transfer/linereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString displayPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

FileResult readFailure(const QString &path, const QString &reason)
{
    return {false, path, QStringLiteral("Impossible de lire le fichier ") + displayPath(path), reason};
}

FileResult writeFailure(const QString &path, const QString &reason)
{
    return {false, path, QStringLiteral("Impossible d'écrire le fichier ") + displayPath(path), reason};
}

} // namespace

ConvertedProgram ConvertHexFile(const QString &hexFilePath, const QString &tempDirectory)
{
    ConvertedProgram result;
    QFile input(hexFilePath);
    if (!input.open(QIODevice::ReadOnly)) {
        static_cast<FileResult &>(result) = readFailure(hexFilePath, input.errorString());
        return result;
    }
    const QString tempPath = QDir(tempDirectory).filePath(QLatin1String(tempFileName));
    QSaveFile output(tempPath);
    if (!output.open(QIODevice::WriteOnly)) {
        static_cast<FileResult &>(result) = writeFailure(tempPath, output.errorString());
        return result;
    }
    QByteArray line;
    const bool read = convertHex(input, [&](const QByteArray &record, const LineOrigin &origin) {
        result.lines.append({QString::fromLatin1(record), origin});
        line = record;
        line += "\r\n";
        output.write(line);
    });
    if (!read) {
        output.cancelWriting();
        static_cast<FileResult &>(result) = readFailure(hexFilePath, input.errorString());
    } else if (!output.commit()) { // a failed write is remembered by QSaveFile and makes the commit fail
        static_cast<FileResult &>(result) = writeFailure(tempPath, output.errorString());
    } else {
        static_cast<FileResult &>(result) = {true, tempPath, {}, {}};
        return result;
    }
    result.lines.clear();
    return result;
}

TempLines readTempFile(const QString &tempFilePath)
{
    TempLines result;
    QFile input(tempFilePath);
    if (!input.open(QIODevice::ReadOnly)) {
        static_cast<FileResult &>(result) = readFailure(tempFilePath, input.errorString());
        return result;
    }
    LineReader reader(input);
    QByteArray line;
    while (reader.next(line))
        result.lines.append(QString::fromLatin1(line));
    if (reader.failed()) {
        static_cast<FileResult &>(result) = readFailure(tempFilePath, input.errorString());
        result.lines.clear();
        return result;
    }
    result.ok = true;
    result.path = tempFilePath;
    return result;
}

namespace {

// An installed program's folder: writable when run as root, yet nothing may
// be written there.
bool isInstalledFolder(const QString &directory)
{
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const char *installed : {programinfo::InstalledBinDir, "/usr/bin", "/usr/local/bin"}) {
        if (canonical == QFileInfo(QString::fromUtf8(installed)).canonicalFilePath())
            return true;
    }
    return false;
}

} // namespace

QString chooseTempDirectory(const QString &executableDirectory)
{
    if (!executableDirectory.isEmpty() && QFileInfo(executableDirectory).isWritable()
        && !isInstalledFolder(executableDirectory))
        return executableDirectory;
    QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache;
}

QString defaultTempDirectory()
{
    return chooseTempDirectory(QCoreApplication::applicationDirPath());
}
