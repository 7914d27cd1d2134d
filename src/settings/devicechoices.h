// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/portresolver.h"

#include <QList>
#include <QString>

// One entry of the port dialog's device list.
struct DeviceChoice
{
    QString text;     // what the list shows
    QString mapping;  // what Com<N> maps to in [Ports]; empty: the N-th device present
    QString location; // the device node it stands for, to recognise an older mapping
    bool operator==(const DeviceChoice &) const = default;
};

// The entries for a port: the automatic choice first, then each device
// present (console excluded) by its lasting name, then the mapped device
// when it is absent, so that the user sees which one is missing.
QList<DeviceChoice> deviceChoices(const QList<SerialDevice> &present, const QString &mapped);

// The entry that stands for the port's mapping (a lasting name or the node
// it points to); the automatic one when nothing is mapped.
int choiceFor(const QList<DeviceChoice> &choices, const QString &mapped);
