// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsstore.h"

#include "shared/application.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStorageInfo>

#include <optional>

namespace {

// The text of one file's key, or nothing when the file lacks it.
std::optional<QString> readText(const QString &fileName, const QString &path)
{
    const QSettings settings(fileName, QSettings::IniFormat);
    if (!settings.contains(path))
        return std::nullopt;
    const QVariant value = settings.value(path);
    // "Settings=9600,n,8,1" written by hand without quotes reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return QString();
}

} // namespace

SettingsStore::SettingsStore(QString fileName, QStringList systemFiles)
    : m_fileName(std::move(fileName)), m_systemFiles(std::move(systemFiles))
{
}

QString SettingsStore::userFileName()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, ApplicationTitle).fileName();
}

QStringList SettingsStore::systemFileNames()
{
    QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    QStringList files;
    for (const QString &folder : folders)
        files.append(folder + QLatin1Char('/') + ApplicationTitle + QStringLiteral(".ini"));
    return files;
}

QString SettingsStore::get(const QString &section, const QString &key, const QString &defaultText) const
{
    const QString path = section + QLatin1Char('/') + key;
    if (const auto unsaved = m_unsaved.constFind(path); unsaved != m_unsaved.cend())
        return *unsaved;
    if (const std::optional<QString> text = readText(m_fileName, path))
        return *text;
    for (const QString &systemFile : m_systemFiles) {
        if (const std::optional<QString> text = readText(systemFile, path))
            return *text;
    }
    return defaultText;
}

void SettingsStore::save(const QString &section, const QString &key, const QString &text)
{
    const QString path = section + QLatin1Char('/') + key;
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.setValue(path, text);
    settings.sync();
    // A format error is about what was read (a damaged file): the write went through.
    if (settings.status() != QSettings::AccessError) {
        m_unsaved.remove(path);
        return;
    }
    m_unsaved.insert(path, text);
    if (m_failureReported)
        return;
    m_failureReported = true;
    if (m_reportFailure)
        m_reportFailure(m_fileName, saveFailureReason(m_fileName));
}

QString SettingsStore::saveFailureReason(const QString &fileName)
{
    const QFileInfo file(fileName);
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("le dossier %1 n'existe pas et ne peut pas être créé")
            .arg(QDir::toNativeSeparators(folder));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("le fichier est en lecture seule");
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("le dossier %1 est en lecture seule").arg(QDir::toNativeSeparators(folder));
    const QStorageInfo storage(folder);
    if (storage.isReadOnly())
        return QStringLiteral("le disque qui le porte est en lecture seule");
    if (storage.bytesAvailable() == 0)
        return QStringLiteral("le disque est plein");
    return QStringLiteral("le système a refusé l'écriture");
}
