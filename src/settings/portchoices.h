// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/failure.h"

#include <QString>

#include <optional>

class MSComm;
class SettingsStore;

// What the user chose in the port properties dialog.
struct PortChoices
{
    int port = 1;     // 1 is Com1
    QString settings; // as built from the lists, e.g. "9600,E,8,1"
    int handshaking = 0;
    bool echo = false;
    bool deviceChanged = false; // the port's [Ports] entry was changed: an open port reopens on it
};

// How applying the choices went, so that the dialog can report it and tell
// the window what changed.
struct PortChange
{
    std::optional<Failure> failure; // the refusal that stopped it; none: all in force
    QString reason;                 // why a reopen failed, for the box's informative text
    bool reopenAttempted = false;   // the port was switched while open: the upload command follows PortOpen
    bool settingsApplied = false;
    bool portStateChanged = false; // number or open state differ from before
};

// Applies the choices to the port, in order: echo (in force whatever follows),
// the port number (closing the port and reopening it on the new number when it
// was open; on a refusal the old number comes back and the port stays
// closed), the settings string, the handshaking code. The first refusal ends it.
PortChange applyPortChoices(MSComm &comm, bool &echo, const PortChoices &choices);

// Maps the port to the device in the store's "Ports" section (empty: the
// N-th device present). Returns the mapping it replaced, or nothing when it
// is unchanged.
std::optional<QString> remapPort(SettingsStore &store, int port, const QString &mapping);

// Writes the four keys of what is in force now, the settings as the port
// reads them back.
void savePortSettings(SettingsStore &store, const MSComm &comm, bool echo);
