// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/frmproperties.h"

#include "serial/mscomm.h"
#include "settings/portchoices.h"
#include "settings/settingsstore.h"
#include "settings/settingsstring.h"
#include "shared/application.h"
#include "shared/failure.h"
#include "shared/messageboxes.h"
#include "shared/sharedvalues.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

// The parity entries by the lower-case letter the component reports.
const QString ParityLetters = QStringLiteral("eonms");

int indexIn(const QStringList &entries, const QString &text)
{
    return int(entries.indexOf(text));
}

} // namespace

QStringList propertylists::ports()
{
    QStringList entries;
    for (int port = 1; port <= 16; ++port)
        entries.append(QStringLiteral("Com%1").arg(port));
    return entries;
}

QStringList propertylists::speeds()
{
    return {QStringLiteral("110"),   QStringLiteral("300"),    QStringLiteral("600"),    QStringLiteral("1200"),
            QStringLiteral("2400"),  QStringLiteral("4800"),   QStringLiteral("9600"),   QStringLiteral("14400"),
            QStringLiteral("19200"), QStringLiteral("28800"),  QStringLiteral("38400"),  QStringLiteral("56000"),
            QStringLiteral("57600"), QStringLiteral("115200"), QStringLiteral("128000"), QStringLiteral("256000")};
}

QStringList propertylists::dataBits()
{
    return {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
}

QStringList propertylists::parities()
{
    return {QStringLiteral("Even"), QStringLiteral("Odd"), QStringLiteral("None"), QStringLiteral("Mark"),
            QStringLiteral("Space")};
}

QStringList propertylists::stopBits()
{
    return {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")};
}

PropertySelection selectionFor(const QString &settings, int commPort)
{
    const SettingsFields fields = settingsFieldsByPosition(settings);
    PropertySelection selection;
    selection.speed = indexIn(propertylists::speeds(), fields.speed);
    // Exact comparison: an upper-case letter selects nothing.
    if (fields.parity.size() == 1)
        selection.parity = int(ParityLetters.indexOf(fields.parity.at(0), 0, Qt::CaseSensitive));
    selection.dataBits = indexIn(propertylists::dataBits(), fields.dataBits);
    selection.stopBits = indexIn(propertylists::stopBits(), fields.stopBits);
    selection.port = commPort >= 1 && commPort <= int(propertylists::ports().size()) ? commPort - 1 : -1;
    return selection;
}

QString settingsFromEntries(const QString &speed, const QString &parity, const QString &dataBits,
                            const QString &stopBits)
{
    return speed.trimmed() + QLatin1Char(',') + parity.left(1) + QLatin1Char(',') + dataBits.trimmed()
           + QLatin1Char(',') + stopBits.trimmed();
}

FrmProperties::FrmProperties(MSComm &comm, SharedValues &shared, SettingsStore &store, MessageBoxes &boxes,
                             QWidget *parent)
    : QDialog(parent), m_comm(comm), m_shared(shared), m_store(store), m_boxes(boxes)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("CommPort Properties"));
    buildControls();
    LoadPropertySettings();
    adjustSize();
    setFixedSize(size());
    centreOnScreen();
}

void FrmProperties::buildControls()
{
    auto *tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    // The tab's page is the frame itself, so it sits on the tab strip's
    // client area in front of it.
    auto *fraSettings = new QFrame;
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    fraSettings->setFrameShape(QFrame::NoFrame);
    tabSettings->addTab(fraSettings, QStringLiteral("Properties"));

    auto *grid = new QGridLayout(fraSettings);
    auto *portRows = new QVBoxLayout;
    portRows->addLayout(buildPortRow());
    portRows->addLayout(buildDeviceRow());
    grid->addLayout(portRows, 0, 0, 1, 2);
    grid->addWidget(buildSpeedGroup(), 1, 0);
    grid->addWidget(buildFlowGroup(), 1, 1, 2, 1);
    grid->addWidget(buildConnectionGroup(), 2, 0);
    grid->addWidget(buildEchoGroup(), 3, 1);
    grid->setRowStretch(4, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabSettings);
    layout->addLayout(buildButtons());
}

QLayout *FrmProperties::buildPortRow()
{
    auto *Label1 = new QLabel(QStringLiteral("Port:"));
    Label1->setObjectName(QStringLiteral("Label1"));
    cboPort = new QComboBox;
    cboPort->setObjectName(QStringLiteral("cboPort"));
    Label1->setBuddy(cboPort);
    lblDevice = new QLabel;
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDevice->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("/dev/ttyUSB0 — FT232R USB UART")));
    connect(cboPort, &QComboBox::currentIndexChanged, this, &FrmProperties::listDevices);
    auto *portRow = new QHBoxLayout;
    portRow->addWidget(Label1);
    portRow->addWidget(cboPort);
    portRow->addWidget(lblDevice, 1);
    return portRow;
}

// The devices present, to map the port to one by its lasting name.
QLayout *FrmProperties::buildDeviceRow()
{
    auto *lblDeviceList = new QLabel(QStringLiteral("Appareil :"));
    lblDeviceList->setObjectName(QStringLiteral("lblDeviceList"));
    cboDevice = new QComboBox;
    cboDevice->setObjectName(QStringLiteral("cboDevice"));
    cboDevice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboDevice->setMinimumContentsLength(40);
    lblDeviceList->setBuddy(cboDevice);
    connect(cboDevice, &QComboBox::currentIndexChanged, this, &FrmProperties::showDevice);
    auto *deviceRow = new QHBoxLayout;
    deviceRow->addWidget(lblDeviceList);
    deviceRow->addWidget(cboDevice, 1);
    return deviceRow;
}

QWidget *FrmProperties::buildSpeedGroup()
{
    auto *Frame1 = new QGroupBox(QStringLiteral("Maximum Speed"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    cboSpeed = new QComboBox;
    cboSpeed->setObjectName(QStringLiteral("cboSpeed"));
    (new QVBoxLayout(Frame1))->addWidget(cboSpeed);
    return Frame1;
}

QWidget *FrmProperties::buildConnectionGroup()
{
    auto *fraConnection = new QGroupBox(QStringLiteral("Connection Preferences"));
    fraConnection->setObjectName(QStringLiteral("fraConnection"));
    auto *connectionLayout = new QFormLayout(fraConnection);
    auto addList = [&](const char *labelName, const QString &caption, const char *listName) {
        auto *label = new QLabel(caption);
        label->setObjectName(QLatin1String(labelName));
        auto *list = new QComboBox;
        list->setObjectName(QLatin1String(listName));
        label->setBuddy(list);
        connectionLayout->addRow(label, list);
        return list;
    };
    cboDataBits = addList("Label3", QStringLiteral("Data Bits:"), "cboDataBits");
    cboParity = addList("Label4", QStringLiteral("Parity:"), "cboParity");
    cboStopBits = addList("Label5", QStringLiteral("Stop Bits:"), "cboStopBits");
    return fraConnection;
}

QButtonGroup *FrmProperties::buildOptions(QGroupBox *frame, const char *groupName, const QStringList &captions)
{
    auto *group = new QButtonGroup(this);
    group->setObjectName(QLatin1String(groupName));
    auto *layout = new QVBoxLayout(frame);
    for (int id = 0; id < captions.size(); ++id) {
        auto *option = new QRadioButton(captions.at(id));
        option->setObjectName(QLatin1String(groupName) + QString::number(id));
        group->addButton(option, id);
        layout->addWidget(option);
    }
    layout->addStretch();
    return group;
}

QWidget *FrmProperties::buildFlowGroup()
{
    auto *Frame5 = new QGroupBox(QStringLiteral("&Flow Control"));
    Frame5->setObjectName(QStringLiteral("Frame5"));
    optFlow = buildOptions(
        Frame5, "optFlow",
        {QStringLiteral("None"), QStringLiteral("Xon/Xoff"), QStringLiteral("RTS"), QStringLiteral("Xon/RTS")});
    // The held value follows the options at once, whoever selects them.
    connect(optFlow, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_flowChoice = id;
    });
    return Frame5;
}

QWidget *FrmProperties::buildEchoGroup()
{
    auto *Frame7 = new QGroupBox(QStringLiteral("&Echo"));
    Frame7->setObjectName(QStringLiteral("Frame7"));
    optEcho = buildOptions(Frame7, "optEcho", {QStringLiteral("Off"), QStringLiteral("On")});
    connect(optEcho, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_echoChoice = id == 1;
    });
    return Frame7;
}

QLayout *FrmProperties::buildButtons()
{
    auto *cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto *cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &FrmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmProperties::cmdCancel_Click);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    return buttons;
}

void FrmProperties::centreOnScreen()
{
    const QScreen *screen =
        parentWidget() && parentWidget()->screen() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void FrmProperties::LoadPropertySettings()
{
    const auto fill = [](QComboBox *list, const QStringList &entries) {
        list->clear();
        list->addItems(entries);
    };
    fill(cboSpeed, propertylists::speeds());
    fill(cboParity, propertylists::parities());
    fill(cboDataBits, propertylists::dataBits());
    fill(cboStopBits, propertylists::stopBits());
    fill(cboPort, propertylists::ports());

    // A current value the lists do not offer (only an edited store can give
    // one) leaves its list without a selection rather than showing a wrong one.
    const PropertySelection selection = selectionFor(m_comm.Settings(), m_comm.CommPort());
    cboSpeed->setCurrentIndex(selection.speed);
    cboParity->setCurrentIndex(selection.parity);
    cboDataBits->setCurrentIndex(selection.dataBits);
    cboStopBits->setCurrentIndex(selection.stopBits);
    cboPort->setCurrentIndex(selection.port);
    listDevices();

    if (QAbstractButton *option = optFlow->button(m_comm.Handshaking()))
        option->setChecked(true);
    optEcho->button(m_shared.Echo ? 1 : 0)->setChecked(true);
}

int FrmProperties::chosenPort() const
{
    // An unlisted current port stays in force on OK.
    return cboPort->currentIndex() >= 0 ? cboPort->currentIndex() + 1 : m_comm.CommPort();
}

void FrmProperties::listDevices()
{
    const QString mapped = m_comm.resolver().mappedDevice(chosenPort());
    m_deviceChoices = deviceChoices(m_comm.resolver().choosableDevices(), mapped);
    m_mappedChoice = choiceFor(m_deviceChoices, mapped);
    const QSignalBlocker quiet(cboDevice);
    cboDevice->clear();
    for (const DeviceChoice &choice : m_deviceChoices) {
        cboDevice->addItem(choice.text, choice.mapping);
        // The list is narrower than a full description: the whole of it on hovering.
        cboDevice->setItemData(cboDevice->count() - 1, choice.text, Qt::ToolTipRole);
    }
    cboDevice->setCurrentIndex(m_mappedChoice);
    showDevice();
}

// What the port resolves to with the chosen entry: its name, or the N-th device.
void FrmProperties::showDevice()
{
    const int choice = cboDevice->currentIndex();
    const bool remapped = choice >= 0 && choice != m_mappedChoice;
    QString path = remapped ? m_deviceChoices.at(choice).mapping : m_comm.resolver().resolve(chosenPort());
    if (remapped && path.isEmpty())
        path = m_comm.resolver().nthDevice(chosenPort());
    if (path.isEmpty()) {
        lblDevice->setText(QStringLiteral("absent"));
        return;
    }
    const std::optional<SerialDevice> device = m_comm.resolver().presentDevice(path);
    const QString about = device ? deviceDescription(*device) : QString();
    if (!device)
        lblDevice->setText(path + QStringLiteral(" — absent"));
    else if (about.isEmpty())
        lblDevice->setText(path);
    else
        lblDevice->setText(path + QStringLiteral(" — ") + about);
}

void FrmProperties::showFailure(const Failure &failure, const QString &informative)
{
    m_boxes.show(this, {MessageRequest::Icon::Exclamation, MessageRequest::Buttons::Ok, ApplicationTitle,
                        failure.description(), informative});
}

PortChoices FrmProperties::choices() const
{
    PortChoices chosen;
    // No selection means the current port has no entry (above Com16): keep
    // it, rather than closing the port for a number the user never chose.
    chosen.port = chosenPort();
    chosen.settings = settingsFromEntries(cboSpeed->currentText(), cboParity->currentText(), cboDataBits->currentText(),
                                          cboStopBits->currentText());
    chosen.handshaking = m_flowChoice;
    chosen.echo = m_echoChoice;
    return chosen;
}

void FrmProperties::cmdOK_Click()
{
    PortChoices chosen = choices();
    const int device = cboDevice->currentIndex();
    std::optional<QString> replaced;
    if (device >= 0 && device != m_mappedChoice)
        replaced = remapPort(m_store, chosen.port, m_deviceChoices.at(device).mapping);
    chosen.deviceChanged = replaced.has_value();
    const PortChange change = applyPortChoices(m_comm, m_shared.Echo, chosen);
    if (change.reopenAttempted)
        emit uploadCommandEnabledChanged(m_comm.PortOpen());
    if (change.settingsApplied)
        emit settingsApplied(m_comm.Settings());
    if (change.portStateChanged)
        emit portStateChanged();
    if (change.failure) {
        if (replaced) // the port keeps the device it had
            remapPort(m_store, chosen.port, *replaced);
        showFailure(*change.failure, change.reason);
        return; // the dialog stays open: the user may correct the choice
    }
    savePortSettings(m_store, m_comm, m_shared.Echo);
    accept();
}

void FrmProperties::cmdCancel_Click()
{
    reject();
}
