// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/mscomm.h"

#include "serial/commerrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <termios.h>
#endif

MSComm::MSComm(PortResolver resolver, QObject *parent) : QObject(parent), m_resolver(std::move(resolver))
{
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onErrorOccurred);
    connect(&m_monitor, &LineMonitor::lineEvent, this, &MSComm::raiseCommEvent);
    connect(&m_reader, &PortReader::received, this, [this] {
        m_monitor.checkCounters();
        if (m_port.isOpen())
            raiseCommEvent(CommEventCode::Receive);
    });
    connect(&m_reader, &PortReader::failed, this, &MSComm::closeLostDevice);
}

MSComm::~MSComm()
{
    m_monitor.stop();
    m_reader.stop();
    if (m_port.isOpen())
        m_port.close();
}

void MSComm::setCommPort(int port)
{
    if (port < 1 || port > 255)
        throw commerrors::invalidPropertyValue();
    if (m_port.isOpen())
        throw commerrors::portAlreadyOpen();
    m_commPort = port;
}

void MSComm::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = parseSettingsString(settings);
    if (!parsed)
        throw commerrors::invalidPropertyValue();
    if (m_port.isOpen()) {
        try {
            applyLineSettings(*parsed);
        } catch (const Failure &) {
            // Part of the change may have reached the line: put it back.
            applyLineSettingsQuietly(m_settings);
            throw;
        }
    }
    m_settings = *parsed;
}

void MSComm::setHandshaking(int code)
{
    if (code < 0 || code > 3)
        throw commerrors::invalidPropertyValue();
    if (m_port.isOpen()) {
        try {
            applyFlowControl(code);
        } catch (const Failure &) {
            applyFlowControlQuietly(m_handshaking);
            throw;
        }
    }
    m_handshaking = code;
}

void MSComm::applyLineSettingsQuietly(const LineSettings &settings)
{
    try {
        applyLineSettings(settings);
    } catch (const Failure &) {
        // What the line ran with a moment ago; nothing better to restore.
    }
}

void MSComm::applyFlowControlQuietly(int code)
{
    try {
        applyFlowControl(code);
    } catch (const Failure &) {
        // As above.
    }
}

void MSComm::applyLineSettings(const LineSettings &settings)
{
    // Qt has no 4 data bits and, on Linux, no 1.5 stop bits: two stop bits
    // stand in for 1.5 (a receiver expecting 1.5 accepts 2).
    if (settings.dataBits < 5)
        throw commerrors::couldNotSetCommState();
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity.toLatin1()) {
    case 'e': parity = QSerialPort::EvenParity; break;
    case 'o': parity = QSerialPort::OddParity; break;
    case 'm': parity = QSerialPort::MarkParity; break;
    case 's': parity = QSerialPort::SpaceParity; break;
    default: parity = QSerialPort::NoParity; break;
    }
#ifdef Q_OS_WIN
    constexpr QSerialPort::StopBits oneAndHalfStop = QSerialPort::OneAndHalfStop;
#else
    constexpr QSerialPort::StopBits oneAndHalfStop = QSerialPort::TwoStop;
#endif
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    if (settings.stopBits == QLatin1String("2"))
        stopBits = QSerialPort::TwoStop;
    else if (settings.stopBits == QLatin1String("1.5"))
        stopBits = oneAndHalfStop;
    const bool ok = m_port.setBaudRate(settings.speed)
                    && m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits))
                    && m_port.setParity(parity) && m_port.setStopBits(stopBits);
    if (!ok)
        throw commerrors::couldNotSetCommState();
}

void MSComm::applyFlowControl(int code)
{
    const QSerialPort::FlowControl flow = code == 1   ? QSerialPort::SoftwareControl
                                          : code >= 2 ? QSerialPort::HardwareControl
                                                      : QSerialPort::NoFlowControl;
    if (!m_port.setFlowControl(flow))
        throw commerrors::couldNotSetCommState();
#ifdef Q_OS_UNIX
    // Qt has no mode for both: add XON/XOFF to its RTS/CTS by hand.
    if (code == 3 && m_port.isOpen()) {
        termios tio{};
        if (::tcgetattr(int(m_port.handle()), &tio) != 0)
            throw commerrors::couldNotSetCommState();
        tio.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(int(m_port.handle()), TCSANOW, &tio) != 0)
            throw commerrors::couldNotSetCommState();
    }
#endif
}

void MSComm::setPortOpen(bool open)
{
    if (open)
        this->open();
    else
        close();
}

void MSComm::close()
{
    m_monitor.stop();
    m_reader.stop();
    if (m_port.isOpen())
        m_port.close();
}

void MSComm::open()
{
    if (m_port.isOpen())
        throw commerrors::portAlreadyOpen();
    m_lastOpenError.clear();
    const QString location = openableLocation();
    // Qt puts the line settings set on the closed port in force as it opens.
    applyLineSettings(m_settings);
    openDevice(location);
    try {
        applyFlowControl(m_handshaking);
    } catch (const Failure &) {
        m_port.close();
        throw;
    }
    // Stale input from before the open is not this session's.
    m_port.clear();
    startReading();
    m_monitor.start(int(m_port.handle()));
}

// The device path to open for the port number, or the refusal.
QString MSComm::openableLocation()
{
    const QString device = m_resolver.resolve(m_commPort);
    if (device.isEmpty())
        throw commerrors::invalidPortNumber();
#ifdef Q_OS_WIN
    return device;
#else
    // Open the real path, so that the lock file (named after it) also stops
    // a second program that came through a link.
    const QFileInfo info(device);
    if (!info.exists()) {
        m_lastOpenError = QStringLiteral("no such device");
        throw commerrors::invalidPortNumber();
    }
    QString location = info.canonicalFilePath();
    // A directory, a plain file or a pipe named in the "Ports" section is no
    // port at all: unavailable, not a line that refuses its settings.
    struct stat status
    {};
    if (::stat(QFile::encodeName(location).constData(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        m_lastOpenError = QStringLiteral("not a serial device");
        throw commerrors::invalidPortNumber();
    }
    return location;
#endif
}

void MSComm::openDevice(const QString &location)
{
    m_port.setPortName(location);
    if (m_port.open(QIODevice::ReadWrite))
        return;
    const QSerialPort::SerialPortError error = m_port.error();
    m_lastOpenError = m_port.errorString();
    m_port.clearError();
    switch (error) {
    case QSerialPort::DeviceNotFoundError: throw commerrors::invalidPortNumber();
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError: throw commerrors::portAlreadyOpen();
    default: throw commerrors::couldNotSetCommState();
    }
}

void MSComm::Output(const QString &text)
{
    if (!m_port.isOpen())
        throw commerrors::portNotOpen();
    const QByteArray bytes = text.toLatin1();
    if (m_port.write(bytes) != bytes.size())
        throw commerrors::couldNotSetCommState();
    // Hand the bytes to the device now rather than at the next event-loop pass.
    m_port.flush();
    m_reader.expectAnswer();
}

QString MSComm::Input()
{
    if (!m_port.isOpen())
        throw commerrors::portNotOpen();
    if (m_reader.isReading())
        return QString::fromLatin1(m_reader.take());
    return QString::fromLatin1(m_port.readAll());
}

void MSComm::readPendingInput()
{
    if (m_port.isOpen())
        m_reader.readNow();
}

void MSComm::raiseCommEvent(CommEventCode code)
{
    emit OnComm(code);
}

void MSComm::onReadyRead()
{
    if (m_reader.isReading())
        return;
    m_monitor.checkCounters();
    if (m_port.isOpen())
        raiseCommEvent(CommEventCode::Receive);
}

// QSerialPort reads on a notifier of its own, waking the program for every
// few bytes of a slow line. Where that notifier is found, it is silenced and
// the reader takes over on the handle, reading a slow line once a frame.
void MSComm::startReading()
{
#ifdef Q_OS_UNIX
    QSocketNotifier *qtReader = nullptr;
    for (QSocketNotifier *notifier : m_port.findChildren<QSocketNotifier *>())
        if (notifier->type() == QSocketNotifier::Read)
            qtReader = notifier;
    if (!qtReader)
        return; // Qt's own reading and readyRead go on
    qtReader->setEnabled(false);
    m_reader.start(int(m_port.handle()));
#endif
}

void MSComm::onErrorOccurred(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError && error != QSerialPort::WriteError)
        return;
    // A vanished device floods ReadError at full CPU while the port stays
    // open: close at the first one.
    closeLostDevice();
}

void MSComm::closeLostDevice()
{
    if (!m_port.isOpen())
        return;
    m_monitor.stop();
    m_reader.stop();
    m_port.clearError();
    m_port.close();
    emit deviceLost();
}
