// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "serial/mscomm.h"
#include "serial/reconnector.h"
#include "shared/messageboxes.h"

#include <QObject>

#include <functional>

class Failure;
class SettingsStore;
struct SharedValues;

// The connection to the board: the port with its stored settings, opened at
// start-up and by the toggle, a lost device waited for and reopened with the
// same settings. Widget-free: it owns the port and its reconnection and says
// what happened by its signals; the window shows it.
class Connection final : public QObject
{
    Q_OBJECT
public:
    enum class StartUp { Opened, Unavailable, Failed };

    Connection(PortResolver resolver, SettingsStore &store, SharedValues &shared, QObject *parent = nullptr);
    ~Connection() override;

    MSComm &port() { return m_port; }
    const MSComm &port() const { return m_port; }

    // The stored settings put in force, then the port opened.
    StartUp startUp();
    // The toggle: opens a closed port, closes an open one. False when refused.
    bool toggle();
    // The window closes: no more waiting, the port closed.
    void shutDown();
    // Runs what takes the port in hand (the port dialog) with the waiting for
    // a lost device held, and resumed afterwards if the port is still closed.
    void withPortInHand(const std::function<void()> &work);

signals:
    // The stored settings are in force (start-up).
    void settingsApplied();
    // The port opened or closed by the toggle, or reopened after a loss.
    void portStateChanged(bool open);
    // An open, a close or the stored settings were refused, or the settings
    // file cannot be written: the box to show.
    void failed(const MessageRequest &box);
    // The device vanished while open; the waiting for it has started after this.
    void deviceLost();
    // The lost device is back and the port open again; the notice says so.
    void reconnected(const QString &notice);

private:
    void applyStoredSettings();
    void onDeviceLost();
    bool reopenAfterLoss();
    void onReconnected();
    MessageRequest failureBox(const Failure &failure) const;
    QString openFailureDetail() const;

    SettingsStore &m_store;
    SharedValues &m_shared;
    MSComm m_port;
    Reconnector m_reconnector;
};
