// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsstore.h"

#include "shared/application.h"

#include <QSettings>
#include <QStringList>

SettingsStore::SettingsStore(QString fileName) : m_fileName(std::move(fileName)) {}

QString SettingsStore::userFileName()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, ApplicationTitle).fileName();
}

QString SettingsStore::get(const QString &section, const QString &key, const QString &defaultText) const
{
    const QSettings settings(m_fileName, QSettings::IniFormat);
    const QString path = section + QLatin1Char('/') + key;
    if (!settings.contains(path))
        return defaultText;
    const QVariant value = settings.value(path);
    // "Settings=9600,n,8,1" written by hand without quotes reads back as a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return {};
}

void SettingsStore::save(const QString &section, const QString &key, const QString &text)
{
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, text);
    settings.sync();
}
