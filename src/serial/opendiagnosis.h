// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the system says about a device that refused to open, gathered once
// the open has failed, so that the user is told the real cause and its fix.
struct OpenFacts
{
    int port = 1;             // the port number the user chose
    QString device;           // the path it resolves to; empty: nothing for this port
    bool present = false;     // the path names something
    bool serialDevice = true; // ... and that is a character device
    bool accessDenied = false;
    QString group;               // the device's group ("dialout")
    bool accountInGroup = false; // the account belongs to it (group database)
    bool sessionInGroup = false; // this running session has it
    QString holder;              // the program holding the device ("minicom"), when known
    bool brlttyRunning = false;  // Debian's braille daemon, which claims some USB-serial chips
};

// The informative text for the refusal, in French, with what to do.
QString openFailureText(const OpenFacts &facts);

// Looks at the device, the account's groups, lock files and /proc.
OpenFacts gatherOpenFacts(int port, const QString &device);

// Both of the above: what the window shows below "Port COM n pas disponible !".
QString describeOpenFailure(int port, const QString &device);
