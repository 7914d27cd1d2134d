// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/frmterminal.h"

#include "info/infowindows.h"
#include "screen/caretrest.h"
#include "screen/findbar.h"
#include "screen/keyboardsend.h"
#include "screen/terminaldisplay.h"
#include "screen/terminalmenu.h"
#include "screen/terminalview.h"
#include "screen/terminalzoom.h"
#include "serial/commevents.h"
#include "settings/config.h"
#include "settings/frmproperties.h"
#include "settings/settingsstore.h"
#include "shared/application.h"
#include "shared/failure.h"
#include "shared/filechooser.h"
#include "shared/messageboxes.h"
#include "shared/twips.h"
#include "shared/windowplacement.h"
#include "terminal/accessiblenames.h"
#include "terminal/accessiblenotice.h"
#include "terminal/connectionindicator.h"
#include "terminal/icons.h"
#include "terminal/journalcommands.h"
#include "terminal/layoutrule.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalfocus.h"
#include "transfer/frmtransfert.h"
#include "transfer/loadandrun.h"
#include "transfer/recentfilesmenu.h"
#include "transfer/upload.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTime>
#include <QToolBar>

#include <algorithm>

namespace {

constexpr int ClientWidthTwips = 7155;
constexpr int ClientHeightTwips = 4785;

using Panel = StatusPanels::Panel;

} // namespace

FrmTerminal::FrmTerminal(const TerminalEnvironment &environment, QWidget *parent)
    : QMainWindow(parent), m_store(*environment.store), m_boxes(*environment.boxes), m_chooser(*environment.chooser),
      m_connection(PortResolver(environment.store, environment.devices, environment.consoles), *environment.store,
                   m_shared),
      MSComm1(m_connection.port()), m_program(MSComm1, m_shared, *environment.store, environment.tempDirectory,
                                              [this](const QString &text) { DisplayReceivedText(*m_display, text); }),
      m_beep(environment.beep ? environment.beep : &QApplication::beep)
{
    setObjectName(QStringLiteral("frmTerminal"));
    setWindowTitle(ApplicationTitle);
    setWindowIcon(icons::windowIcon());

    createTerminal();
    createActions();
    createMenus();
    createToolBar();
    createFrame1();
    createStatusBar();
    createIndicator();
    createTimers();
    createTransfer();
    createProgramLoop();
    m_infoWindows = std::make_unique<InfoWindows>();
    updateCommands();

    connectConnection();

    // The window may be made as low as its bars alone: the text box then
    // gets no height, instead of its minimum stopping the window shrinking.
    QSizePolicy textPolicy = txtTerm->sizePolicy();
    textPolicy.setVerticalPolicy(QSizePolicy::Ignored);
    txtTerm->setSizePolicy(textPolicy);
    const double dpi = twips::logicalDpi(this);
    resize(twips::toPixels(ClientWidthTwips, dpi),
           twips::toPixels(ClientHeightTwips, dpi) + menuBar()->sizeHint().height());
}

FrmTerminal::~FrmTerminal() = default;

// ---------------------------------------------------------------- creation

void FrmTerminal::createTerminal()
{
    txtTerm = new TerminalView(this);
    txtTerm->setObjectName(QStringLiteral("txtTerm"));
    prepareTerminalTextBox(*txtTerm);
    // A file dropped on the text goes to the window, which chooses it.
    txtTerm->setAcceptDrops(false);
    setAcceptDrops(true);
    setCentralWidget(txtTerm);
    // They live with the text box they work on.
    m_display = new TerminalDisplay(*txtTerm, m_boxes);
    m_display->setBeep(m_beep);
    KeyboardLink link;
    link.portOpen = [this] { return MSComm1.PortOpen(); };
    link.output = [this](const QString &text) { MSComm1.Output(text); };
    link.echo = [this] { return m_shared.Echo; };
    // A key between the ACK and the load line would become one of the
    // board's 61 characters.
    link.sendingBlocked = [this] { return uploadRunning(); };
    link.beforeKey = [this] { m_display->flush(); };
    link.show = [this](const QString &text) { m_display->showNow(text); };
    link.report = [this](const QString &notice) { notify(notice); };
    m_keyboard = new KeyboardSend(*txtTerm, link);
    new TerminalZoom(*txtTerm, m_store);
    new TerminalFocus(*this, *txtTerm);
    // Installed last, so its filter sees every key before the keyboard takes it.
    new CaretRest(*txtTerm);
    m_terminalMenu = new TerminalMenu(*txtTerm, *m_display, *m_keyboard, this);

    m_findBar = new FindBar(*txtTerm, this);
    addToolBar(Qt::BottomToolBarArea, m_findBar);
    addAction(m_findBar->openAction()); // its key works wherever the focus is
    m_terminalMenu->addFinding(m_findBar->openAction());
    m_journal = new JournalCommands({*this, *m_display, *txtTerm, m_store, m_boxes, m_chooser});
    connect(m_journal, &JournalCommands::notice, this, [this](const QString &text) { notify(text); });
}

void FrmTerminal::createActions()
{
    auto action = [this](const char *name, const QString &caption, void (FrmTerminal::*routine)()) {
        auto *item = new QAction(caption, this);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, routine);
        return item;
    };
    mnuOpenLog = action("mnuOpenLog", QStringLiteral("&Ouvrir"), &FrmTerminal::mnuOpenLog_Click);
    mnuVisu = action("mnuVisu", QStringLiteral("&Visualisation du Prg"), &FrmTerminal::mnuVisu_Click);
    mnuSendText = action("mnuSendText", QStringLiteral("&Transfert Programme"), &FrmTerminal::mnuSendText_Click);
    mnuRun = action("mnuRun", QStringLiteral("&Execute Programme"), &FrmTerminal::mnuRun_Click);
    mnuLoadRun = action("mnuLoadRun", QStringLiteral("Charger et e&xécuter"), &FrmTerminal::mnuLoadRun_Click);
    mnuLoadRun->setShortcut(QKeySequence(Qt::Key_F9));
    mnuLoadOnChange = action("mnuLoadOnChange", QStringLiteral("Charger et exécuter à chaque modification"),
                             &FrmTerminal::mnuLoadOnChange_Click);
    mnuLoadOnChange->setCheckable(true);
    mnuquitte = action("mnuquitte", QStringLiteral("&Quitter"), &FrmTerminal::mnuquitte_Click);
    mnuConfig = action("mnuConfig", QStringLiteral("Config Terminal"), &FrmTerminal::mnuConfig_Click);
    mnuProperties = action("mnuProperties", QStringLiteral("Config Port"), &FrmTerminal::mnuProperties_Click);
    mnuapropos = action("mnuapropos", QStringLiteral("A Propos"), &FrmTerminal::mnuapropos_Click);
    mnuaide = action("mnuaide", QStringLiteral("Aide KORVEX"), &FrmTerminal::mnuaide_Click);
    // A function key: it types nothing, so it never takes a control code
    // from the board (every Ctrl+letter is one).
    mnuComm = action("mnuComm", QStringLiteral("&Connecter/Déconnecter"), &FrmTerminal::comm);
    mnuComm->setShortcut(QKeySequence(Qt::Key_F5));
}

void FrmTerminal::createMenus()
{
    auto separator = [](QMenu *menu, const char *name) { menu->addSeparator()->setObjectName(QLatin1String(name)); };

    QMenu *file = menuBar()->addMenu(QStringLiteral("&Fichier"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(mnuOpenLog);
    mnuRecent = new RecentFilesMenu(m_store, file);
    file->addMenu(mnuRecent);
    // As if chosen in the open dialog.
    connect(mnuRecent, &RecentFilesMenu::chosen, this, &FrmTerminal::chooseProgramFile);
    connect(mnuRecent, &RecentFilesMenu::missing, this, [this](const QString &notice) {
        updateCommands();
        notify(notice);
    });
    separator(file, "M3");
    file->addAction(mnuVisu);
    separator(file, "bar7");
    file->addAction(mnuSendText);
    separator(file, "Bar2");
    file->addAction(mnuRun);
    file->addAction(mnuLoadRun);
    file->addAction(mnuComm);
    separator(file, "barJournal");
    file->addActions({m_journal->mnuJournal(), m_journal->mnuSaveTerminal()});
    separator(file, "bar4");
    file->addAction(mnuquitte);

    QMenu *port = menuBar()->addMenu(QStringLiteral("&Config"));
    port->setObjectName(QStringLiteral("mnuPort"));
    port->addAction(mnuConfig);
    port->addAction(mnuProperties);
    port->addAction(mnuLoadOnChange);

    QMenu *help = menuBar()->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("mnuhelp"));
    help->addAction(mnuapropos);
    separator(help, "bar3");
    help->addAction(mnuaide);
}

void FrmTerminal::createToolBar()
{
    tbrToolBar = addToolBar(QStringLiteral("Toolbar"));
    tbrToolBar->setObjectName(QStringLiteral("tbrToolBar"));
    tbrToolBar->setMovable(false);
    tbrToolBar->setFloatable(false);
    tbrToolBar->setIconSize(QSize(16, 16));
    tbrToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbrToolBar->setContextMenuPolicy(Qt::PreventContextMenu);

    auto button = [this](const char *key, int image, const QString &tooltip, const QString &description,
                         void (FrmTerminal::*routine)()) {
        auto *item = new QAction(QIcon(icons::toolbarImage(image)), QString(), this);
        item->setObjectName(QLatin1String(key));
        item->setToolTip(tooltip);
        item->setProperty("description", description);
        connect(item, &QAction::triggered, this, routine);
        return item;
    };
    btnOpenLogFile = button("OpenLogFile", 1, QStringLiteral("Ouvrir un fichier"), QStringLiteral("Open Log File..."),
                            &FrmTerminal::mnuOpenLog_Click);
    btnQuitte = button("Quitte", 2, QStringLiteral("Quitter Terminal"), QStringLiteral("Close Log File"),
                       &FrmTerminal::mnuquitte_Click);
    btnTransmitTextFile = button("TransmitTextFile", 3, QStringLiteral("Transfert Programme vers KORVEX"),
                                 QStringLiteral("Transmit Text File..."), &FrmTerminal::mnuSendText_Click);
    btnRun = button("Run", 4, QStringLiteral("Execute le programme"), QStringLiteral("Execute programme"),
                    &FrmTerminal::mnuRun_Click);
    btnLoadRun = button("LoadRun", 6, QStringLiteral("Charger et exécuter le programme (F9)"),
                        QStringLiteral("Load and run programme"), &FrmTerminal::mnuLoadRun_Click);
    btnComm = button("comm", 5, QStringLiteral("Connecter/Déconnecter"), QString(), &FrmTerminal::comm);

    tbrToolBar->addSeparator();
    tbrToolBar->addAction(btnOpenLogFile);
    tbrToolBar->addAction(btnQuitte);
    for (int i = 0; i < 3; ++i)
        tbrToolBar->addSeparator();
    tbrToolBar->addAction(btnTransmitTextFile);
    tbrToolBar->addAction(btnLoadRun);
    tbrToolBar->addSeparator();
    tbrToolBar->addAction(btnRun);
    tbrToolBar->addSeparator();
    tbrToolBar->addAction(btnComm);
    nameToolButtons(*tbrToolBar);
}

void FrmTerminal::createFrame1()
{
    // Frame1 sits inside the toolbar, below its band as the design has it.
    Frame1 = new QWidget(tbrToolBar);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Toggles Port"));
    Image1->setAccessibleName(QStringLiteral("Bascule du port"));
    Image1->setPixmap(icons::toggles());
    const double dpi = twips::logicalDpi(this);
    Frame1->setGeometry(twips::toPixels(840, dpi), twips::toPixels(1440, dpi), twips::toPixels(240, dpi),
                        twips::toPixels(240, dpi));
    Image1->setGeometry(0, 0, Frame1->width(), Frame1->height());
}

void FrmTerminal::createStatusBar()
{
    sbrStatus = new StatusPanels(this);
    setStatusBar(sbrStatus);
    m_notice = new AccessibleNotice(this);
    connect(sbrStatus, &StatusPanels::panelClicked, this, [this] {
        if (mnuConfig->isEnabled())
            mnuConfig_Click();
    });
}

void FrmTerminal::createIndicator()
{
    Frame2 = new ConnectionIndicator(this);
}

void FrmTerminal::createTimers()
{
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &FrmTerminal::Timer1_Timer);
    Timer1.start();
    Timer2.setInterval(2000);
    connect(&Timer2, &QTimer::timeout, this, &FrmTerminal::Timer2_Timer);
}

void FrmTerminal::createTransfer()
{
    connect(&m_program, &ProgramCommands::failed, this, [this](const MessageRequest &box) { m_boxes.show(this, box); });
    connect(&m_program, &ProgramCommands::loadStarting, this, &FrmTerminal::showTransfert);
    connect(&m_program, &ProgramCommands::loadProgressed, this, [this](const UploadProgress &progress) {
        if (m_transfert)
            m_transfert->showProgress(progress);
    });
    connect(&m_program, &ProgramCommands::loadFinished, this, &FrmTerminal::uploadFinished);
}

void FrmTerminal::showTransfert()
{
    if (!m_transfert) {
        m_transfert = new FrmTransfert(this);
        connect(m_transfert, &FrmTransfert::cancelRequested, &m_program, &ProgramCommands::cancelLoad);
    }
    sbrStatus->setText(Panel::Fichier, QStringLiteral("Fichier: ") + m_shared.HexFileTitle);
    m_transfert->show();
}

void FrmTerminal::createProgramLoop()
{
    LoadAndRun::Link link;
    link.portOpen = [this] { return MSComm1.PortOpen(); };
    link.uploadRunning = [this] { return uploadRunning(); };
    link.modalOpen = [] { return QApplication::activeModalWidget() != nullptr; };
    link.startUpload = [this] {
        const bool started = m_program.load();
        updateCommands();
        return started;
    };
    link.run = [this] { return m_program.run(); };
    link.notify = [this](const QString &notice, bool lasting) { notify(notice, lasting); };
    link.portNumber = [this] { return MSComm1.CommPort(); };
    m_loadAndRun = new LoadAndRun(m_store, m_shared, link, this);
    mnuLoadOnChange->setChecked(m_loadAndRun->automatic());
    // After the window's own account of the end, which may show a box.
    connect(&m_program, &ProgramCommands::loadFinished, m_loadAndRun, &LoadAndRun::uploadFinished);
}

void FrmTerminal::uploadFinished(const UploadResult &result)
{
    if (m_transfert)
        m_transfert->hide();
    updateCommands();
    // Read whole in the notice: in the "Fichier" panel it would be cut off
    // at the window's first size, and squeeze the settings beside it.
    notify(uploadEndStatus(result));
    if (const std::optional<MessageRequest> box = uploadEndBox(result))
        m_boxes.show(this, *box);
}

// ---------------------------------------------------------------- start-up and shutdown

void FrmTerminal::startUp()
{
    txtTerm->clear();
    setTerminalTextColour(*txtTerm);
    setWindowTitle(ApplicationTitle);
    m_shared.StartAddress = QStringLiteral("4100");

    centreOnScreen(*this);

    m_portUnavailableAtStartUp = m_connection.startUp() == Connection::StartUp::Unavailable;
    updateCommands();
}

void FrmTerminal::showSettingsPanel()
{
    sbrStatus->setText(Panel::Settings, QStringLiteral("Settings: ") + MSComm1.Settings());
}

void FrmTerminal::closeEvent(QCloseEvent *event)
{
    if (uploadRunning()) {
        const MessageAnswer answer = m_boxes.show(this, ProgramCommands::quitDuringLoadQuestion());
        // The upload may have ended while the question was open.
        if (answer != MessageAnswer::Ok && uploadRunning()) {
            event->ignore();
            return;
        }
    }
    m_program.stop();
    if (m_transfert)
        m_transfert->hide();
    m_connection.shutDown();
    m_journal->stop();
    event->accept();
    emit closed();
}

void FrmTerminal::mnuquitte_Click()
{
    close();
}

// ---------------------------------------------------------------- commands

void FrmTerminal::mnuOpenLog_Click()
{
    const std::optional<QString> chosen = m_chooser.chooseFileToOpen(
        this, QStringLiteral(" Ouvrir Fichier HEX "), ProgramCommands::fileFilter(), m_program.lastFolder());
    if (chosen && !chosen->isEmpty())
        chooseProgramFile(*chosen);
}

void FrmTerminal::dragEnterEvent(QDragEnterEvent *event)
{
    if (mnuOpenLog->isEnabled() && !ProgramCommands::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void FrmTerminal::dropEvent(QDropEvent *event)
{
    const QString path = ProgramCommands::droppedFile(event->mimeData());
    if (!mnuOpenLog->isEnabled() || path.isEmpty())
        return;
    event->acceptProposedAction();
    chooseProgramFile(path);
}

void FrmTerminal::chooseProgramFile(const QString &path)
{
    m_program.choose(path);
    sbrStatus->setText(Panel::Fichier, QStringLiteral("Fichier: ") + m_shared.HexFileTitle);
    mnuRecent->files().add(m_shared.HexFilePath);
    m_loadAndRun->follow(m_shared.HexFilePath);
    // A choice offers the upload whatever the port; opening or closing it
    // later sets it again.
    m_uploadFollowsPort = false;
    updateCommands();
}

void FrmTerminal::mnuSendText_Click()
{
    if (m_program.load())
        updateCommands();
}

void FrmTerminal::mnuVisu_Click()
{
    m_program.view();
}

void FrmTerminal::mnuRun_Click()
{
    m_program.run();
}

void FrmTerminal::mnuLoadRun_Click()
{
    m_loadAndRun->start();
}

void FrmTerminal::mnuLoadOnChange_Click()
{
    m_loadAndRun->setAutomatic(mnuLoadOnChange->isChecked());
}

void FrmTerminal::mnuConfig_Click()
{
    Config dialog(
        m_shared, [this](const QString &panelText) { sbrStatus->setText(Panel::Adresse, panelText); }, this);
    dialog.exec();
}

void FrmTerminal::mnuProperties_Click()
{
    // The user has the port in hand while the dialog is open.
    m_connection.withPortInHand([this] { showPortDialog(); });
}

void FrmTerminal::showPortDialog()
{
    FrmProperties dialog(MSComm1, m_shared, m_store, m_boxes, this);
    // The indicator and the "Settings" panel follow what the dialog put in force.
    connect(&dialog, &FrmProperties::portStateChanged, this, [this] {
        showPortState(MSComm1.PortOpen());
        updateCommands();
    });
    // A switch that reopened the port, or failed to: the upload follows it;
    // the run command is not the dialog's business.
    connect(&dialog, &FrmProperties::uploadCommandEnabledChanged, this, [this] {
        m_uploadFollowsPort = true;
        updateCommands();
    });
    connect(&dialog, &FrmProperties::settingsApplied, this, [this] { showSettingsPanel(); });
    dialog.exec();
}

void FrmTerminal::mnuapropos_Click()
{
    m_infoWindows->mnuapropos_Click(this);
}

void FrmTerminal::mnuaide_Click()
{
    m_infoWindows->mnuaide_Click(this);
}

// ---------------------------------------------------------------- connection

void FrmTerminal::showIndicator(bool connected)
{
    Frame2->showConnected(connected);
}

bool FrmTerminal::indicatorShowsConnected() const
{
    return Frame2->showsConnected();
}

void FrmTerminal::connectConnection()
{
    connect(&MSComm1, &MSComm::OnComm, this, &FrmTerminal::MSComm_OnComm);
    connect(&m_connection, &Connection::settingsApplied, this, &FrmTerminal::showSettingsPanel);
    connect(&m_connection, &Connection::portStateChanged, this, &FrmTerminal::showPortState);
    connect(&m_connection, &Connection::failed, this, [this](const MessageRequest &box) { m_boxes.show(this, box); });
    connect(&m_connection, &Connection::deviceLost, this, &FrmTerminal::onDeviceLost);
    connect(&m_connection, &Connection::reconnected, this, &FrmTerminal::onReconnected);
}

void FrmTerminal::showPortState(bool open)
{
    showIndicator(open);
    if (open)
        showSettingsPanel();
}

void FrmTerminal::comm()
{
    if (m_connection.toggle())
        m_uploadFollowsPort = m_runFollowsPort = true;
    updateCommands();
}

void FrmTerminal::onDeviceLost()
{
    sbrStatus->setText(Panel::Settings, QStringLiteral("Status: Device Removed"));
    enableTimer2();
    showIndicator(false);
    m_uploadFollowsPort = m_runFollowsPort = true;
    if (uploadRunning())
        m_program.deviceLost();
    updateCommands();
}

void FrmTerminal::onReconnected(const QString &notice)
{
    notify(notice);
    updateCommands();
}

// The one way a notice reaches the user: whole, above the status bar's
// panels; a lasting one waits there for the next.
void FrmTerminal::notify(const QString &notice, bool lasting)
{
    sbrStatus->showNotice(notice, lasting ? 0 : StatusPanels::NoticeMs);
    m_notice->announce(notice);
}

// ---------------------------------------------------------------- which commands are available

bool FrmTerminal::uploadRunning() const
{
    return m_program.isLoading();
}

// The one place that enables and disables commands. While an upload runs only
// the information windows are offered. Upload and run are offered while the
// port is open; once the user has connected, disconnected or lost the device
// they follow the port. Before that they keep what start-up left, so a port
// left closed still offers them (they then say it is closed), except the
// toolbar's run button after an unavailable port. A file choice offers the
// upload until the port next opens or closes.
void FrmTerminal::updateCommands()
{
    const bool idle = !uploadRunning();
    const bool portOpen = MSComm1.PortOpen();
    const bool fileChosen = m_program.isChosen();
    const bool uploadOffered = idle && fileChosen && (portOpen || !m_uploadFollowsPort);
    const bool runOffered = idle && (portOpen || !m_runFollowsPort);

    for (QAction *action : {mnuOpenLog, mnuquitte, mnuConfig, mnuProperties, btnOpenLogFile, btnQuitte, btnComm,
                            mnuComm, m_terminalMenu->pasteAction()})
        action->setEnabled(idle);
    mnuVisu->setEnabled(idle && fileChosen);
    mnuSendText->setEnabled(uploadOffered);
    btnTransmitTextFile->setEnabled(uploadOffered);
    mnuLoadRun->setEnabled(uploadOffered);
    btnLoadRun->setEnabled(uploadOffered);
    mnuRecent->menuAction()->setEnabled(idle && !mnuRecent->isEmpty());
    mnuRun->setEnabled(runOffered);
    btnRun->setEnabled(runOffered && (portOpen || !m_portUnavailableAtStartUp));
}

// ---------------------------------------------------------------- receive path

void FrmTerminal::MSComm_OnComm(CommEventCode code)
{
    const CommEventInfo info = describeCommEvent(code);
    switch (info.kind) {
    case CommEventInfo::Kind::Receive: receive(); return;
    case CommEventInfo::Kind::Nothing: return;
    case CommEventInfo::Kind::Event: reportLineEvent(info.message, {}); return;
    case CommEventInfo::Kind::Error: reportLineEvent({}, info.message); return;
    }
}

void FrmTerminal::receive()
{
    QString text;
    try {
        text = MSComm1.Input();
    } catch (const Failure &) {
        return; // the port closed between the notification and the read
    }
    if (uploadRunning()) {
        m_program.receive(text);
        return;
    }
    DisplayReceivedText(*m_display, text);
}

void FrmTerminal::reportLineEvent(const QString &eventMessage, const QString &errorMessage)
{
    const QString message = eventMessage.isEmpty() ? errorMessage : eventMessage;
    sbrStatus->setText(Panel::Settings, QStringLiteral("Status: ") + message);
    const bool error = eventMessage.isEmpty();
    if (error)
        m_beep();
    // One error box at a time: a line at the wrong speed must not bury the
    // user under boxes; later errors still beep and show in the panel.
    if (!error || m_errorBoxOpen) {
        enableTimer2();
        return;
    }
    m_errorBoxOpen = true;
    // Only the Cancel button quits: Escape or the close box is not a request
    // to end the program (and abort a load).
    const MessageAnswer answer =
        m_boxes.show(this, {MessageRequest::Icon::None, MessageRequest::Buttons::OkCancel,
                            QStringLiteral("Click Cancel to quit, OK to ignore."), errorMessage, QString(), true});
    m_errorBoxOpen = false;
    enableTimer2();
    if (answer == MessageAnswer::Cancel)
        close();
}

// ---------------------------------------------------------------- timers

void FrmTerminal::Timer1_Timer()
{
    sbrStatus->setText(Panel::ConnectTime, QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")));
}

// Enabling a running timer does not restart its interval.
void FrmTerminal::enableTimer2()
{
    if (!Timer2.isActive())
        Timer2.start();
}

void FrmTerminal::Timer2_Timer()
{
    sbrStatus->setText(Panel::Fichier, QStringLiteral("Fichier: ") + m_shared.HexFileTitle);
    Timer2.stop();
}

// ---------------------------------------------------------------- layout

void FrmTerminal::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    applyLayoutRule();
}

void FrmTerminal::applyLayoutRule()
{
    if (!tbrToolBar || !Frame1 || !Frame2)
        return;
    // The toolbar, status bar and txtTerm are placed by the window's own
    // docking; Frame1 and the indicator follow the rule in twips.
    const double dpi = twips::logicalDpi(this);
    const double frame1Left =
        layoutrule::frame1Left(twips::fromPixels(width(), dpi), twips::fromPixels(Frame1->width(), dpi));
    Frame1->move(twips::toPixels(frame1Left, dpi), Frame1->y());
    Frame2->move(twips::toPixels(3240, dpi), tbrToolBar->geometry().top() + twips::toPixels(120, dpi));
    Frame2->raise();
    // The running journal is shown in the toolbar's free band, after the
    // connection indicator: the status bar has no room left at this width.
    QWidget *journal = m_journal->indicator();
    const QRect band = tbrToolBar->geometry();
    const int journalLeft = Frame2->geometry().right() + twips::toPixels(240, dpi);
    const int journalHeight = std::min(band.height(), journal->sizeHint().height() + 4);
    journal->setGeometry(journalLeft, band.top() + (band.height() - journalHeight) / 2,
                         std::max(0, band.left() + Frame1->x() - journalLeft), journalHeight);
    journal->raise();
}
