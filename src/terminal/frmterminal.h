// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/commevents.h"
#include "serial/portresolver.h"
#include "shared/sharedvalues.h"
#include "terminal/connection.h"
#include "transfer/programcommands.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class AccessibleNotice;
class ConnectionIndicator;
class FileChooser;
class FindBar;
class FrmTransfert;
class InfoWindows;
class JournalCommands;
class KeyboardSend;
class LoadAndRun;
class RecentFilesMenu;
class MessageBoxes;
class QLabel;
class TerminalView;
class QToolBar;
class SettingsStore;
class StatusPanels;
class TerminalDisplay;
class TerminalMenu;
struct UploadResult;

// What the main window is handed by its owner: the settings store, the
// message boxes, the file dialog, the device lists and where the temporary
// program file goes. Tests hand their own.
struct TerminalEnvironment
{
    SettingsStore *store = nullptr;
    MessageBoxes *boxes = nullptr;
    FileChooser *chooser = nullptr;
    PortResolver::DeviceLister devices = PortResolver::systemDevices;
    PortResolver::ConsoleLister consoles = PortResolver::systemConsoles;
    QString tempDirectory;
    std::function<void()> beep; // the system beep when not set
};

// The main window: builds its controls, runs the commands of the menu and
// the toolbar, the status bar and its timers, and shows what the connection
// and the receive path say. Each command is a routine named after its
// control; updateCommands() alone decides which commands are available.
class FrmTerminal : public QMainWindow
{
    Q_OBJECT
public:
    explicit FrmTerminal(const TerminalEnvironment &environment, QWidget *parent = nullptr);
    ~FrmTerminal() override;

    // Runs once, before the window is first shown.
    void startUp();

    // Chooses the program file as "Ouvrir" does once the dialog answered
    // (also for a file dropped on the window).
    void chooseProgramFile(const QString &path);

    const SharedValues &shared() const { return m_shared; }
    MSComm &serial() { return MSComm1; }
    bool indicatorShowsConnected() const;
    bool uploadRunning() const;
    const LoadAndRun &loadAndRun() const { return *m_loadAndRun; }

signals:
    // The window has closed (close handling done): the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The commands.
    void mnuOpenLog_Click();
    void mnuVisu_Click();
    void mnuSendText_Click();
    void mnuRun_Click();
    void mnuLoadRun_Click();
    void mnuLoadOnChange_Click();
    void mnuquitte_Click();
    void mnuConfig_Click();
    void mnuProperties_Click();
    void showPortDialog();
    void mnuapropos_Click();
    void mnuaide_Click();
    void comm();

    // The serial component's notification.
    void MSComm_OnComm(CommEventCode code);

    // The timers' ticks.
    void Timer1_Timer();
    void Timer2_Timer();

    void createTerminal();
    void createActions();
    void createMenus();
    void createToolBar();
    void createFrame1();
    void createStatusBar();
    void createIndicator();
    void createTimers();
    void createTransfer();
    void showTransfert();

    void connectConnection();
    void createProgramLoop();

    void updateCommands();
    void enableTimer2();
    void showIndicator(bool connected);
    void showSettingsPanel();
    void showPortState(bool open);
    void onDeviceLost();
    void onReconnected(const QString &notice);
    void notify(const QString &notice, bool lasting = false);
    void receive();
    void reportLineEvent(const QString &eventMessage, const QString &errorMessage);
    void uploadFinished(const UploadResult &result);
    void applyLayoutRule();

    SharedValues m_shared;
    SettingsStore &m_store;
    MessageBoxes &m_boxes;
    FileChooser &m_chooser;
    Connection m_connection;
    // The serial control, as the commands know it; the connection owns it.
    MSComm &MSComm1;
    ProgramCommands m_program;

    // Controls, named as users and the object tree know them.
    TerminalView *txtTerm = nullptr;
    StatusPanels *sbrStatus = nullptr;
    AccessibleNotice *m_notice = nullptr; // what shows over the status bar, for screen readers
    QToolBar *tbrToolBar = nullptr;
    QAction *mnuOpenLog = nullptr;
    QAction *mnuVisu = nullptr;
    QAction *mnuSendText = nullptr;
    QAction *mnuRun = nullptr;
    QAction *mnuLoadRun = nullptr;
    QAction *mnuLoadOnChange = nullptr;
    RecentFilesMenu *mnuRecent = nullptr;
    QAction *mnuquitte = nullptr;
    QAction *mnuConfig = nullptr;
    QAction *mnuProperties = nullptr;
    QAction *mnuapropos = nullptr;
    QAction *mnuaide = nullptr;
    QAction *mnuComm = nullptr;
    // The toolbar's buttons, by their keys.
    QAction *btnOpenLogFile = nullptr;
    QAction *btnQuitte = nullptr;
    QAction *btnTransmitTextFile = nullptr;
    QAction *btnRun = nullptr;
    QAction *btnLoadRun = nullptr;
    QAction *btnComm = nullptr;
    QWidget *Frame1 = nullptr;
    ConnectionIndicator *Frame2 = nullptr;
    QLabel *Image1 = nullptr;
    QTimer Timer1;
    QTimer Timer2;

    TerminalDisplay *m_display = nullptr;
    KeyboardSend *m_keyboard = nullptr;
    TerminalMenu *m_terminalMenu = nullptr;
    FindBar *m_findBar = nullptr;
    JournalCommands *m_journal = nullptr;
    std::function<void()> m_beep;
    QPointer<FrmTransfert> m_transfert;
    std::unique_ptr<InfoWindows> m_infoWindows;
    LoadAndRun *m_loadAndRun = nullptr;

    // What updateCommands() derives the commands from, beside the port,
    // the chosen file and the upload.
    bool m_portUnavailableAtStartUp = false;
    bool m_runFollowsPort = false;
    bool m_uploadFollowsPort = false;
    bool m_errorBoxOpen = false;
};
