// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fakes.h"
#include "testenv.h"

#include "screen/terminalview.h"
#include "terminal/frmterminal.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

// The real main window with recording fakes, its own settings file, its own
// folder for the temporary program file, and no real devices.
struct TerminalFixture
{
    TempSettings settings;
    RecordingMessageBoxes boxes;
    FakeFileChooser chooser;
    QTemporaryDir tempDir;
    QList<SerialDevice> devices;
    int beeps = 0;
    std::unique_ptr<FrmTerminal> window;

    FrmTerminal &create()
    {
        TerminalEnvironment environment;
        environment.store = &settings.store;
        environment.boxes = &boxes;
        environment.chooser = &chooser;
        environment.devices = [this] { return devices; };
        environment.consoles = noConsoles;
        environment.tempDirectory = tempDir.path();
        environment.beep = [this] { ++beeps; };
        window = std::make_unique<FrmTerminal>(environment);
        return *window;
    }

    // Created and started up, as the program does before showing the window.
    FrmTerminal &start()
    {
        create().startUp();
        return *window;
    }
};

// The window's controls by object name, as the object tree knows them.
template <typename Control>
Control *control(QWidget &window, const char *name)
{
    return window.findChild<Control *>(QLatin1String(name));
}
inline QAction *command(QWidget &window, const char *name)
{
    return control<QAction>(window, name);
}
inline QString terminalText(QWidget &window)
{
    return control<TerminalView>(window, "txtTerm")->text();
}
inline QString panelText(QWidget &window, const char *key)
{
    return control<QLabel>(window, key)->text();
}
// The notice shown above the status bar's panels; empty when none is.
inline QString noticeText(QWidget &window)
{
    const auto *notice = control<QLabel>(window, "notice");
    return notice->isHidden() ? QString() : notice->text();
}
// The commands not offered now, in menu and toolbar order.
inline QString commandsOff(QWidget &window)
{
    QStringList off;
    for (const char *name :
         {"mnuOpenLog", "mnuVisu", "mnuSendText", "mnuRun", "mnuquitte", "mnuConfig", "mnuProperties", "mnuapropos",
          "mnuaide", "mnuComm", "mnuColler", "OpenLogFile", "Quitte", "TransmitTextFile", "Run", "comm"}) {
        if (!command(window, name)->isEnabled())
            off << QLatin1String(name);
    }
    return off.join(QLatin1Char(' '));
}
inline const QString OffDuringUpload = QStringLiteral("mnuOpenLog mnuVisu mnuSendText mnuRun mnuquitte mnuConfig "
                                                      "mnuProperties mnuComm mnuColler OpenLogFile Quitte "
                                                      "TransmitTextFile Run comm");
