// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/commevents.h"
#include "serial/linemonitor.h"
#include "serial/portreader.h"
#include "serial/portresolver.h"
#include "settings/settingsstring.h"

#include <QObject>
#include <QSerialPort>

// The serial port component: port number, settings string, flow control,
// open state, text output and input, and one notification (OnComm) that
// carries the code of what happened. Text is 8-bit both ways (Latin-1). A refused
// operation throws Failure with the numbers of commerrors.h.
class MSComm : public QObject
{
    Q_OBJECT
public:
    explicit MSComm(PortResolver resolver = PortResolver(), QObject *parent = nullptr);
    ~MSComm() override;

    int CommPort() const { return m_commPort; }
    void setCommPort(int port); // 1 to 255, while closed

    // A change refused while the port is open leaves the line as it was.
    QString Settings() const { return formatSettingsString(m_settings); }
    void setSettings(const QString &settings);

    int Handshaking() const { return m_handshaking; }
    void setHandshaking(int code); // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both

    bool PortOpen() const { return m_port.isOpen(); }
    void setPortOpen(bool open);

    void Output(const QString &text);
    QString Input();
    // Hands on at once what the device has sent and the reader still holds
    // back for its frame (a Receive event), e.g. before an upload's first "H".
    void readPendingInput();

    // The device path the port number resolves to now (empty: none).
    QString resolvedDevice() const { return m_resolver.resolve(m_commPort); }
    const PortResolver &resolver() const { return m_resolver; }
    // The system's reason for the last failed open, for the user.
    QString lastOpenErrorText() const { return m_lastOpenError; }

    // Raises OnComm with the given code, as a line event would.
    void raiseCommEvent(CommEventCode code);

signals:
    void OnComm(CommEventCode code);
    // The device vanished while open (adapter unplugged, far end hung up):
    // the port has been closed.
    void deviceLost();

private:
    void open();
    void close();
    QString openableLocation();
    void openDevice(const QString &location);
    void applyLineSettings(const LineSettings &settings);
    void applyFlowControl(int code);
    void applyLineSettingsQuietly(const LineSettings &settings);
    void applyFlowControlQuietly(int code);
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void onReadyRead();
    void startReading();
    void closeLostDevice();

    PortResolver m_resolver;
    QSerialPort m_port;
    LineMonitor m_monitor;
    PortReader m_reader;
    int m_commPort = 1;
    LineSettings m_settings;
    int m_handshaking = 0;
    QString m_lastOpenError;
};
