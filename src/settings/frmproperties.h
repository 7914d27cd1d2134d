// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/devicechoices.h"
#include "settings/portchoices.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class Failure;
class MSComm;
class MessageBoxes;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLayout;
class QLabel;
class SettingsStore;
struct SharedValues;

// The entries of the port properties lists, in the order the user sees them.
namespace propertylists {
QStringList ports(); // Com1 .. Com16; entry i is port i + 1
QStringList speeds();
QStringList dataBits();
QStringList parities();
QStringList stopBits();
} // namespace propertylists

// Which entry of each list the dialog selects for a settings string and a
// port number; -1 where the value has no entry (the list stays unselected).
// The string is read by position and parity letters match in lower case only,
// so "9600,N,8,1" selects no parity.
struct PropertySelection
{
    int port = -1;
    int speed = -1;
    int parity = -1;
    int dataBits = -1;
    int stopBits = -1;

    bool operator==(const PropertySelection &) const = default;
};

PropertySelection selectionFor(const QString &settings, int commPort);

// The settings string built from the list entries' texts: speed, the parity
// entry's initial, data bits, stop bits ("9600,E,8,1"). An unselected list
// gives an empty field, which the serial component refuses.
QString settingsFromEntries(const QString &speed, const QString &parity, const QString &dataBits,
                            const QString &stopBits);

// The port properties dialog: shows the live state of the serial component,
// applies the choices on OK (reopening the port when its number changes while
// open), saves them to the store and closes. Cancel changes nothing.
// Open it modally; build it anew for every opening.
class FrmProperties : public QDialog
{
    Q_OBJECT
public:
    FrmProperties(MSComm &comm, SharedValues &shared, SettingsStore &store, MessageBoxes &boxes,
                  QWidget *parent = nullptr);

    int FlowChoice() const { return m_flowChoice; }
    bool EchoChoice() const { return m_echoChoice; }

    // Fills the lists and selects the component's current values.
    void LoadPropertySettings();

    void cmdOK_Click();
    void cmdCancel_Click();

signals:
    // The upload command (mnuSendText and the "TransmitTextFile" button)
    // follows the port after a port switch reopened it, or failed to.
    void uploadCommandEnabledChanged(bool enabled);
    // OK changed the port's number or open state: the connection indicator
    // must show the real state.
    void portStateChanged();
    // The component accepted new line settings; the text is what it reports.
    void settingsApplied(const QString &settingsText);

private:
    void buildControls();
    QLayout *buildPortRow();
    QLayout *buildDeviceRow();
    void listDevices();
    QWidget *buildSpeedGroup();
    QWidget *buildConnectionGroup();
    QWidget *buildFlowGroup();
    QWidget *buildEchoGroup();
    QButtonGroup *buildOptions(QGroupBox *frame, const char *groupName, const QStringList &captions);
    QLayout *buildButtons();
    PortChoices choices() const;
    int chosenPort() const;
    void centreOnScreen();
    void showDevice();
    void showFailure(const Failure &failure, const QString &informative = {});

    MSComm &m_comm;
    SharedValues &m_shared;
    SettingsStore &m_store;
    MessageBoxes &m_boxes;

    QComboBox *cboPort = nullptr;
    QComboBox *cboSpeed = nullptr;
    QComboBox *cboDataBits = nullptr;
    QComboBox *cboParity = nullptr;
    QComboBox *cboStopBits = nullptr;
    QLabel *lblDevice = nullptr;
    QComboBox *cboDevice = nullptr;
    QList<DeviceChoice> m_deviceChoices; // the entries of cboDevice
    int m_mappedChoice = 0;              // the entry of the port's mapping when listed
    QButtonGroup *optFlow = nullptr;
    QButtonGroup *optEcho = nullptr;

    int m_flowChoice = 0;
    bool m_echoChoice = false;
};
