// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/devicechoices.h"

#include <QFileInfo>

QList<DeviceChoice> deviceChoices(const QList<SerialDevice> &present, const QString &mapped)
{
    QList<DeviceChoice> choices{{QStringLiteral("Automatique : selon l'ordre des appareils présents"), {}, {}}};
    for (const SerialDevice &device : present) {
        const QString details = deviceDetails(device);
        choices.append({details.isEmpty() ? device.portName : device.portName + QStringLiteral(" — ") + details,
                        device.lastingName(), device.systemLocation});
    }
    // A name of the user's own (a link, a pty) that no lister shows may still be there.
    if (!mapped.isEmpty() && choiceFor(choices, mapped) == 0)
        choices.append({QFileInfo::exists(mapped) ? mapped : mapped + QStringLiteral(" — absent"), mapped, {}});
    return choices;
}

int choiceFor(const QList<DeviceChoice> &choices, const QString &mapped)
{
    if (mapped.isEmpty())
        return 0;
    const QString real = QFileInfo(mapped).canonicalFilePath();
    for (int index = 1; index < choices.size(); ++index) {
        const DeviceChoice &choice = choices.at(index);
        if (choice.mapping == mapped
            || (!choice.location.isEmpty() && (choice.location == mapped || choice.location == real)))
            return index;
    }
    return 0;
}
