// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shared/messageboxes.h"
#include "transfer/upload.h"

#include <QObject>

#include <functional>

class MSComm;
class QMimeData;
class SettingsStore;
struct ProgramLine;
struct SharedValues;

// The commands on the chosen program file: choosing it, viewing it on the
// terminal, loading it into the board record by record and starting it.
// Widget-free: it says by signals what the window shows (boxes, the progress
// window, the result); the window decides which commands are offered.
class ProgramCommands final : public QObject
{
    Q_OBJECT
public:
    // show: text for the terminal, as if the board had sent it.
    ProgramCommands(MSComm &port, SharedValues &shared, SettingsStore &store, QString tempDirectory,
                    std::function<void(const QString &)> show, QObject *parent = nullptr);
    ~ProgramCommands() override;

    // The open dialog's entries, the command's own first.
    static QString fileFilter();
    // The one local file of a drop, when the open dialog would list it as a program.
    static QString droppedFile(const QMimeData *data);
    // Asked before the window closes during a load.
    static MessageRequest quitDuringLoadQuestion();

    // The folder the open dialog starts in: that of the last chosen file.
    QString lastFolder() const;
    void choose(const QString &path);
    bool isChosen() const;

    void view();
    // False when the load could not start (a box said why).
    bool load();
    // False when the port refused it (a box said why).
    bool run();

    bool isLoading() const { return m_upload.isRunning(); }
    // The board's answer while a load runs.
    void receive(const QString &text) { m_upload.receive(text); }
    void cancelLoad() { m_upload.cancel(); }
    void deviceLost() { m_upload.deviceLost(); }
    // Ends a running load without a word: the window is closing.
    void stop() { m_upload.stop(); }

signals:
    void failed(const MessageRequest &box);
    // The load is about to send its first record.
    void loadStarting();
    void loadProgressed(const UploadProgress &progress);
    void loadFinished(const UploadResult &result);

private:
    bool refuseOnClosedPort();
    bool convertChosenFile(QList<ProgramLine> &lines);

    MSComm &m_port;
    SharedValues &m_shared;
    SettingsStore &m_store;
    QString m_tempDirectory;
    std::function<void(const QString &)> m_show;
    Upload m_upload;
};
