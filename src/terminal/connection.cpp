// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/connection.h"

#include "serial/commerrors.h"
#include "serial/opendiagnosis.h"
#include "settings/settingsstore.h"
#include "shared/application.h"
#include "shared/conversions.h"
#include "shared/failure.h"
#include "shared/sharedvalues.h"

Connection::Connection(PortResolver resolver, SettingsStore &store, SharedValues &shared, QObject *parent)
    : QObject(parent), m_store(store), m_shared(shared), m_port(std::move(resolver)),
      m_reconnector({[this] { return m_port.resolver().presentDevice(m_port.resolvedDevice()).has_value(); },
                     [this] { return reopenAfterLoss(); }, [this] { return m_port.resolvedDevice(); }})
{
    connect(&m_port, &MSComm::deviceLost, this, &Connection::onDeviceLost);
    connect(&m_reconnector, &Reconnector::reconnected, this, &Connection::onReconnected);
    // A full disk or a locked-down profile: said once; the program goes on with the values in memory.
    m_store.setFailureReporter([this](const QString &file, const QString &reason) {
        emit failed({MessageRequest::Icon::Exclamation, MessageRequest::Buttons::Ok, ApplicationTitle,
                     QStringLiteral("Les réglages ne peuvent pas être enregistrés dans %1 : %2.").arg(file, reason),
                     QStringLiteral("Le programme garde vos choix jusqu'à sa fermeture. Libérez de la place, ou "
                                    "demandez à l'administrateur de rendre ce fichier accessible en écriture.")});
    });
}

Connection::~Connection()
{
    m_store.setFailureReporter({});
}

Connection::StartUp Connection::startUp()
{
    try {
        applyStoredSettings();
        emit settingsApplied();
        m_port.setPortOpen(true);
        emit portStateChanged(true);
        return StartUp::Opened;
    } catch (const Failure &failure) {
        emit failed(failureBox(failure));
        return commerrors::isPortUnavailable(failure.number()) ? StartUp::Unavailable : StartUp::Failed;
    }
}

// Absent keys (a first start) leave the component's values as they are.
void Connection::applyStoredSettings()
{
    const QString &section = SettingsStore::PropertiesSection;
    const QString settings = m_store.get(section, QStringLiteral("Settings"));
    if (!settings.isEmpty())
        m_port.setSettings(settings);
    const QString commPort = m_store.get(section, QStringLiteral("CommPort"));
    if (!commPort.isEmpty())
        m_port.setCommPort(conversions::toInt16(commPort));
    const QString handshaking = m_store.get(section, QStringLiteral("Handshaking"));
    if (!handshaking.isEmpty())
        m_port.setHandshaking(conversions::toInt32(handshaking));
    // An absent "Echo" leaves echo off instead of failing the start.
    const QString echo = m_store.get(section, QStringLiteral("Echo"));
    if (!echo.isEmpty())
        m_shared.Echo = conversions::toBool(echo);
}

bool Connection::toggle()
{
    // The user's own choice: a disconnect is never undone by the waiting.
    m_reconnector.stop();
    try {
        const bool open = !m_port.PortOpen();
        m_port.setPortOpen(open);
        emit portStateChanged(open);
        return true;
    } catch (const Failure &failure) {
        emit failed(failureBox(failure));
        return false;
    }
}

void Connection::shutDown()
{
    m_reconnector.stop();
    if (m_port.PortOpen())
        m_port.setPortOpen(false);
}

void Connection::withPortInHand(const std::function<void()> &work)
{
    const bool waited = m_reconnector.isWatching();
    m_reconnector.stop();
    work();
    if (waited && !m_port.PortOpen())
        m_reconnector.watch();
}

void Connection::onDeviceLost()
{
    emit deviceLost();
    m_reconnector.watch();
}

bool Connection::reopenAfterLoss()
{
    try {
        m_port.setPortOpen(true);
        return true;
    } catch (const Failure &) {
        return false;
    }
}

void Connection::onReconnected()
{
    emit portStateChanged(true);
    emit reconnected(QStringLiteral("Port COM %1 de retour (%2) : reconnecté avec les mêmes réglages.")
                         .arg(m_port.CommPort())
                         .arg(m_port.resolvedDevice()));
}

// An unavailable port by its number, any other failure by its error number.
MessageRequest Connection::failureBox(const Failure &failure) const
{
    if (commerrors::isPortUnavailable(failure.number()))
        return errorBox(QStringLiteral("Port COM %1 pas disponible !").arg(m_port.CommPort()), openFailureDetail());
    return {MessageRequest::Icon::Critical, MessageRequest::Buttons::Ok, QString(),
            QStringLiteral("Erreur N° %1").arg(failure.number()), failure.description()};
}

QString Connection::openFailureDetail() const
{
    return describeOpenFailure(m_port.CommPort(), m_port.resolvedDevice());
}
