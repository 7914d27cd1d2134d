// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The program's shared values. The main window owns the one instance and hands
// references to whoever needs them; nothing else keeps a copy. Whether an
// upload runs is the upload's own to say (Upload::isRunning()).
struct SharedValues
{
    QString StartAddress;
    bool Echo = false;
    QString HexFilePath;
    QString HexFileTitle;
};
