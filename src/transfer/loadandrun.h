// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/watchedfile.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class SettingsStore;
struct SharedValues;
struct UploadResult;

// The student's loop in one command: the transfer, then the run at the start
// address once every record is loaded. In automatic mode a change of the
// chosen file starts it by itself, once per change: never during an upload
// (the latest change is loaded when it ends) nor while the port is closed.
class LoadAndRun : public QObject
{
    Q_OBJECT
public:
    // What it drives: the window's own commands and state.
    struct Link
    {
        std::function<bool()> portOpen;
        std::function<bool()> uploadRunning;
        // A dialog or a box is open: nothing starts under it.
        std::function<bool()> modalOpen;
        // The transfer command; false when it refused (and said why).
        std::function<bool()> startUpload;
        // The run command; false when it refused (and said why).
        std::function<bool()> run;
        // A lasting notice stays until the next one: it asks for something.
        std::function<void(const QString &, bool lasting)> notify;
        std::function<int()> portNumber;
    };

    // How often a change held back by an open dialog is tried again.
    static constexpr int RetryMs = 500;

    // The file's title and the start address come from `shared`.
    LoadAndRun(SettingsStore &store, const SharedValues &shared, Link link, QObject *parent = nullptr);

    // The command: the transfer, and the run once it has loaded everything.
    void start();

    bool automatic() const { return m_automatic; }
    // Kept in the settings file.
    void setAutomatic(bool on);

    // The chosen file, watched from now on.
    void follow(const QString &path) { m_watched.follow(path); }

    // Every upload's end, ours or not; connected after the window's own report.
    void uploadFinished(const UploadResult &result);

private:
    void fileChanged(bool returned);
    void fileMissing();
    void startPending();
    QString changeNotice(bool returned, const QString &then) const;

    SettingsStore &m_store;
    const SharedValues &m_shared;
    Link m_link;
    WatchedFile m_watched;
    QTimer m_retry;
    bool m_automatic = false;
    bool m_uploadIsOurs = false; // the running upload ends with the run
    bool m_changePending = false;
    bool m_pendingReturned = false;
    bool m_changedDuringUpload = false;
};
