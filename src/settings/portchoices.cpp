// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/portchoices.h"

#include "serial/mscomm.h"
#include "serial/opendiagnosis.h"
#include "settings/settingsstore.h"
#include "shared/conversions.h"

namespace {

// Runs one step of the change; false once a step has been refused.
template <typename Step>
bool attempt(PortChange &change, Step &&step)
{
    try {
        step();
        return true;
    } catch (const Failure &refused) {
        change.failure = refused;
        return false;
    }
}

// Closes the port when open, switches the number, reopens. On a refusal the
// old number comes back and the port stays closed.
void switchPort(MSComm &comm, int newPort, PortChange &change)
{
    const int oldPort = comm.CommPort();
    const bool reopen = comm.PortOpen();
    bool done = !reopen || attempt(change, [&] { comm.setPortOpen(false); });
    done = done && attempt(change, [&] { comm.setCommPort(newPort); });
    if (done && reopen) {
        change.reopenAttempted = true;
        done = attempt(change, [&] { comm.setPortOpen(true); });
        if (!done)
            change.reason = describeOpenFailure(comm.CommPort(), comm.resolvedDevice());
    }
    if (!done) {
        PortChange rollback; // the old number was in force a moment ago; the first refusal is the one to report
        attempt(rollback, [&] { comm.setCommPort(oldPort); });
    }
}

} // namespace

PortChange applyPortChoices(MSComm &comm, bool &echo, const PortChoices &choices)
{
    PortChange change;
    const bool wasOpen = comm.PortOpen();
    const int wasPort = comm.CommPort();
    echo = choices.echo;
    if (choices.port != wasPort || (choices.deviceChanged && wasOpen))
        switchPort(comm, choices.port, change);
    if (!change.failure && attempt(change, [&] { comm.setSettings(choices.settings); })) {
        change.settingsApplied = true;
        attempt(change, [&] { comm.setHandshaking(choices.handshaking); });
    }
    change.portStateChanged = comm.PortOpen() != wasOpen || comm.CommPort() != wasPort;
    return change;
}

std::optional<QString> remapPort(SettingsStore &store, int port, const QString &mapping)
{
    const QString key = QStringLiteral("Com%1").arg(port);
    const QString previous = store.get(SettingsStore::PortsSection, key).trimmed();
    if (previous == mapping)
        return std::nullopt;
    store.save(SettingsStore::PortsSection, key, mapping);
    return previous;
}

void savePortSettings(SettingsStore &store, const MSComm &comm, bool echo)
{
    const QString &section = SettingsStore::PropertiesSection;
    store.save(section, QStringLiteral("Settings"), comm.Settings());
    store.save(section, QStringLiteral("CommPort"), QString::number(comm.CommPort()));
    store.save(section, QStringLiteral("Handshaking"), QString::number(comm.Handshaking()));
    store.save(section, QStringLiteral("Echo"), conversions::fromBool(echo));
}
